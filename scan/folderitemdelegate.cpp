#include "scan/folderitemdelegate.h"

#include <QApplication>
#include <QPainter>

void TFolderItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QWidget* widget = opt.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();

  // Background and highlight only; image and text are placed here.
  QStyleOptionViewItem back = opt;
  back.text.clear();
  back.icon = QIcon();
  style->drawControl(QStyle::CE_ItemViewItem, &back, painter, widget);

  const int imageSize = FRowHeight;
  const QRect image(opt.rect.x() + index.data(IndentRole).toInt(), opt.rect.y(), imageSize,
                    opt.rect.height());
  opt.icon.paint(painter, image, Qt::AlignCenter);

  QRect text = opt.rect;
  text.setLeft(image.right() + 1 + TextGap);
  const bool selected = opt.state & QStyle::State_Selected;
  painter->save();
  painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, opt.text);
  painter->restore();
}

QSize TFolderItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const int width = index.data(IndentRole).toInt() + FRowHeight + TextGap +
                    opt.fontMetrics.horizontalAdvance(opt.text);
  return {width, FRowHeight};
}
