#include "shell/helpviewer.h"

#include <QFile>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/icon.h"

THelpViewer::THelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle("Tunemark Help");
  setWindowIcon(TunemarkIcon());
  resize(560, 480);
  FBrowser = new QTextBrowser(this);
  FBrowser->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FBrowser);
}

void THelpViewer::ShowTopic(const QString& helpFile, int context) {
  FHelpFile = helpFile;
  // The browser would show a missing file as an empty page; say what went wrong instead.
  QFile file(helpFile);
  if (!file.open(QIODevice::ReadOnly)) {
    FBrowser->setSource(QUrl());
    FBrowser->setPlainText(
        QString("The help file \"%1\" cannot be opened: %2.").arg(helpFile, file.errorString()));
  } else {
    QUrl url = QUrl::fromLocalFile(helpFile);
    url.setFragment(QString::number(context));
    FBrowser->setSource(url, QTextDocument::HtmlResource);
  }
  show();
  raise();
  activateWindow();
}

void THelpViewer::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void THelpViewer::Quit(const QString& helpFile) {
  if (helpFile == FHelpFile) close();
}
