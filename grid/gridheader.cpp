#include "grid/gridheader.h"

#include <qdrawutil.h>

#include <QPainter>
#include <QStyleOptionHeader>

#include "grid/grid.h"

namespace {

constexpr int ArrowWidth = 12;  // room for the sort indicator at a heading's right end

}  // namespace

TGridHeader::TGridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setSectionsClickable(true);
  setHighlightSections(false);
  setSectionsMovable(false);
  setSectionResizeMode(QHeaderView::Interactive);
  setStretchLastSection(false);
  setMinimumSectionSize(8);
  setFixedHeight(TGrid::RowHeight);
}

void TGridHeader::SetSortIndicator(int column, Qt::SortOrder order) {
  SortColumn = column;
  SortOrder = order;
  viewport()->update();
}

void TGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  painter->save();
  qDrawShadePanel(painter, rect, palette(), false, 1, &palette().brush(QPalette::Button));

  QFont bold = font();
  bold.setBold(true);
  painter->setFont(bold);
  const QString heading = model()->headerData(logicalIndex, orientation()).toString();
  QRect textRect = rect.adjusted(2, 0, -2, 0);
  if (SortColumn == logicalIndex) {
    QStyleOptionHeader arrow;
    arrow.initFrom(this);
    arrow.rect = QRect(textRect.right() - ArrowWidth + 1, rect.top(), ArrowWidth, rect.height());
    // Qt's own headers map the orders to the indicators this way round.
    arrow.sortIndicator =
        SortOrder == Qt::AscendingOrder ? QStyleOptionHeader::SortDown : QStyleOptionHeader::SortUp;
    style()->drawPrimitive(QStyle::PE_IndicatorHeaderArrow, &arrow, painter, this);
    textRect.setRight(arrow.rect.left() - 1);
  }
  const int flags = Qt::AlignCenter | Qt::TextSingleLine;
  // Engraved: a light copy one pixel down and right under the text itself.
  painter->setPen(palette().color(QPalette::Light));
  painter->drawText(textRect.translated(1, 1), flags, heading);
  painter->setPen(palette().color(QPalette::WindowText));
  painter->drawText(textRect, flags, heading);
  painter->restore();
}
