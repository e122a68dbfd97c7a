// The grid's selection, its columns' visibility and its header clicks.
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <algorithm>

#include "grid/grid.h"
#include "grid/gridheader.h"
#include "grid/gridmodel.h"

void TGrid::SetColumnHidden(int column, bool hidden) {
  if (column < 0 || column >= Model->columnCount() || hidden == IsColumnHidden(column)) return;
  if (!hidden) {
    setColumnHidden(column, false);
    SetColumnWidth(column, HiddenWidths[column]);
    return;
  }
  if (ShownColumns().size() == 1) return;
  if (Editor && EditIndex.column() == column && !AcceptEdit()) DropEditor();
  HiddenWidths[column] = ColumnWidth(column);
  setColumnHidden(column, true);
  const QModelIndex current = currentIndex();
  if (current.isValid() && current.column() == column) {
    // The shown neighbour to the right, else the one to the left.
    const std::vector<int> shown = ShownColumns();
    const auto right = std::upper_bound(shown.begin(), shown.end(), column);
    MoveTo(current.row(), right != shown.end() ? *right : shown.back());
  }
}

bool TGrid::IsColumnHidden(int column) const { return isColumnHidden(column); }

std::vector<int> TGrid::ShownColumns() const {
  std::vector<int> shown;
  for (int column = 0; column < Model->columnCount(); ++column)
    if (!IsColumnHidden(column)) shown.push_back(column);
  return shown;
}

void TGrid::SetSortIndicator(int column, Qt::SortOrder order) {
  static_cast<TGridHeader*>(horizontalHeader())->SetSortIndicator(column, order);
}

void TGrid::HeaderClick(int column) {
  // Sorting under an open editor would store its text into another row.
  if (Editor && !AcceptEdit()) return;
  if (OnHeaderClick) OnHeaderClick(column);
}

void TGrid::SetActiveCell(int row, int column) {
  if (row < 1 || row >= RowLimit() || column < 0 || column >= Model->columnCount()) return;
  MoveTo(row - 1, column);
}

std::vector<TGridRange> TGrid::SelectedRanges() const {
  std::vector<TGridRange> ranges;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    // A rectangle over hidden columns splits into the runs of shown columns it covers.
    for (int left = range.left(); left <= range.right(); ++left) {
      if (IsColumnHidden(left)) continue;
      int right = left;
      while (right < range.right() && !IsColumnHidden(right + 1)) ++right;
      ranges.push_back({range.top() + 1, left, range.bottom() + 1, right});
      left = right;
    }
  }
  return ranges;
}

std::vector<TRowSpan> RowsOf(const std::vector<TGridRange>& ranges, int column) {
  std::vector<TRowSpan> spans;
  for (const TGridRange& range : ranges)
    if (column == AnyColumn || (range.Left <= column && column <= range.Right))
      spans.push_back({range.Top, range.Bottom});
  std::sort(spans.begin(), spans.end(),
            [](const TRowSpan& a, const TRowSpan& b) { return a.First < b.First; });
  std::vector<TRowSpan> merged;
  for (const TRowSpan& span : spans) {
    if (!merged.empty() && span.First <= merged.back().Last + 1)
      merged.back().Last = std::max(merged.back().Last, span.Last);
    else
      merged.push_back(span);
  }
  return merged;
}

std::vector<TRowSpan> TGrid::SelectedRows() const { return RowsOf(SelectedRanges()); }

bool TGrid::IsCellSelected(int row, int column) const {
  return !IsColumnHidden(column) && selectionModel()->isSelected(Model->index(row - 1, column));
}

void TGrid::SetSelection(const std::vector<TGridRange>& ranges) {
  const int lastRow = Model->rowCount() - 1;
  const int lastColumn = Model->columnCount() - 1;
  QItemSelection selection;
  for (const TGridRange& range : ranges) {
    const int top = std::max(range.Top - 1, 0);
    const int bottom = std::min(range.Bottom - 1, lastRow);
    const int left = std::max(range.Left, 0);
    const int right = std::min(range.Right, lastColumn);
    if (top <= bottom && left <= right)
      selection.select(Model->index(top, left), Model->index(bottom, right));
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TGrid::SelectAll() { selectAll(); }

void TGrid::ExtendTo(const QModelIndex& target) {
  if (!target.isValid()) return;
  const QPersistentModelIndex anchor =
      Anchor.isValid() ? Anchor : QPersistentModelIndex(currentIndex());
  const QPersistentModelIndex to = target;
  QPointer<TGrid> self(this);
  // The move may end an edit, whose handler may run a modal box while rows change.
  selectionModel()->setCurrentIndex(to, QItemSelectionModel::NoUpdate);
  if (!self || !to.isValid() || !anchor.isValid() || to != currentIndex()) return;
  Anchor = anchor;  // the move itself made the new cell the anchor
  selectionModel()->select(QItemSelection(anchor, to), QItemSelectionModel::SelectCurrent);
}

void TGrid::mousePressEvent(QMouseEvent* event) {
  // Qt's own handling is left out: it would select by its own anchor and clear the selection on
  // a click below the last row.
  event->accept();
  const QPersistentModelIndex index = indexAt(event->position().toPoint());
  const Qt::MouseButton button = event->button();
  if (!index.isValid() || (button != Qt::LeftButton && button != Qt::RightButton)) return;
  const Qt::KeyboardModifiers mods = event->modifiers();
  if (button == Qt::RightButton) {
    // The context menu acts on the selection it was opened over.
    if (!selectionModel()->isSelected(index)) setCurrentIndex(index);
    return;
  }
  DragSelecting = true;
  if (mods & Qt::ShiftModifier) {
    ExtendTo(index);
  } else if (mods & Qt::ControlModifier) {
    QPointer<TGrid> self(this);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    if (!self || !index.isValid()) return;
    Anchor = index;
    selectionModel()->select(index, QItemSelectionModel::Toggle);
  } else {
    setCurrentIndex(index);
    Anchor = currentIndex();
  }
}

void TGrid::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (!DragSelecting || !(event->buttons() & Qt::LeftButton)) return;
  // Beyond an edge the nearest cell inside is taken and scrolled fully into view, which brings
  // the next row or column under the pointer: dragging on past the edge keeps scrolling.
  const QRect area = viewport()->rect();
  const QPoint pos(std::clamp(event->position().toPoint().x(), area.left(), area.right()),
                   std::clamp(event->position().toPoint().y(), area.top(), area.bottom()));
  const QModelIndex index = indexAt(pos);
  if (!index.isValid() || index == currentIndex()) return;
  ExtendTo(index);
  scrollTo(index);
}

void TGrid::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton) DragSelecting = false;
}

void TGrid::contextMenuEvent(QContextMenuEvent* event) {
  if (!OnCellContextMenu) return event->ignore();
  // The menu key opens the menu at the active cell, not where the pointer happens to rest.
  const bool key = event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid();
  OnCellContextMenu(key ? viewport()->mapToGlobal(visualRect(currentIndex()).center())
                        : event->globalPos());
}

void TGrid::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  // QTableView's own override lists every selected cell for accessibility tools: after Ctrl+A
  // over a million rows that is millions of indexes. Repainting is all that is needed here.
  QAbstractItemView::selectionChanged(selected, deselected);
  if (OnSelectionChange) OnSelectionChange();
}

QItemSelectionModel::SelectionFlags TGrid::selectionCommand(const QModelIndex& index,
                                                            const QEvent* event) const {
  // Without an event Qt reads the modifier keys held at that moment, so a move made from a
  // shortcut with Ctrl would toggle cells. The grid's own handlers decide every extension.
  if (!event) return QItemSelectionModel::ClearAndSelect;
  return QTableView::selectionCommand(index, event);
}
