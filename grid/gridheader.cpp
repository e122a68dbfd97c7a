#include "grid/gridheader.h"

#include <qdrawutil.h>

#include <QPainter>

#include "grid/grid.h"

TGridHeader::TGridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setSectionsClickable(false);
  setHighlightSections(false);
  setSectionsMovable(false);
  setSectionResizeMode(QHeaderView::Interactive);
  setStretchLastSection(false);
  setMinimumSectionSize(8);
  setFixedHeight(TGrid::RowHeight);
}

void TGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  painter->save();
  qDrawShadePanel(painter, rect, palette(), false, 1, &palette().brush(QPalette::Button));

  QFont bold = font();
  bold.setBold(true);
  painter->setFont(bold);
  const QString heading = model()->headerData(logicalIndex, orientation()).toString();
  const QRect textRect = rect.adjusted(2, 0, -2, 0);
  const int flags = Qt::AlignCenter | Qt::TextSingleLine;
  // Engraved: a light copy one pixel down and right under the text itself.
  painter->setPen(palette().color(QPalette::Light));
  painter->drawText(textRect.translated(1, 1), flags, heading);
  painter->setPen(palette().color(QPalette::WindowText));
  painter->drawText(textRect, flags, heading);
  painter->restore();
}
