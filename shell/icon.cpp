#include "shell/icon.h"

#include <QApplication>
#include <QStyle>

QIcon TunemarkIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/%1/tunemark.png").arg(size), QSize(size, size));
  return icon;
}

QIcon ButtonIcon(TButtonImage image) {
  QStyle* style = QApplication::style();
  switch (image) {
    case TButtonImage::Scan:
      return style->standardIcon(QStyle::SP_FileDialogContentsView);
    case TButtonImage::Save:
      return style->standardIcon(QStyle::SP_DialogSaveButton);
    case TButtonImage::Close:
      return style->standardIcon(QStyle::SP_DialogCloseButton);
    case TButtonImage::About:
      return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case TButtonImage::Help:
      return style->standardIcon(QStyle::SP_DialogHelpButton);
  }
  return QIcon();
}
