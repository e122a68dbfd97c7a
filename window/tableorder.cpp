// Sorting and filtering: the rows the table shows, in which order. The grid's rows are the
// view's; the store and the files stay as they are.
#include <QLocale>
#include <QThread>
#include <algorithm>

#include "window/tagtable.h"

namespace {

// Each click on the same heading goes one step on.
TSortOrder NextOrder(TSortOrder order) {
  switch (order) {
    case TSortOrder::None:
      return TSortOrder::Ascending;
    case TSortOrder::Ascending:
      return TSortOrder::Descending;
    default:
      return TSortOrder::None;
  }
}

}  // namespace

void TTagTable::TableHeaderClick(int column) {
  if (Scanning && Scanning()) return;
  ViewLoopLevel = QThread::currentThread()->loopLevel();
  View.SortBy(column, column == View.WantedColumn() ? NextOrder(View.WantedOrder())
                                                    : TSortOrder::Ascending);
}

void TTagTable::SetFilter(const QString& text) {
  if (Scanning && Scanning()) return;
  FinishEdit();
  ViewLoopLevel = QThread::currentThread()->loopLevel();
  View.FilterBy(text);
}

void TTagTable::ResetView() {
  ViewRetry.stop();
  View.Reset();
  Table.SetSortIndicator(-1, Qt::AscendingOrder);
}

void TTagTable::ViewReady() {
  if (!View.IsReady()) return;
  // Rows moving under an open editor, or under a box asked from inside an edit, would take the
  // edit to another file.
  if (Table.IsEditing() || QThread::currentThread()->loopLevel() > ViewLoopLevel) {
    ViewRetry.start();
    return;
  }
  ApplyView();
}

void TTagTable::ApplyView() {
  // The active file stays active where it is still shown, else the first row is.
  const int activeFile = View.ToStore(Table.ActiveRow());
  const int column = Table.ActiveColumn();
  View.Apply();
  Table.SetRowLimit(View.Count() + 1);
  const int row = std::max(View.ToView(activeFile), 1);
  // A move collapses the selection too: the rows it covered show other files now.
  Table.SetActiveCell(row, column);
  Table.viewport()->update();
  Table.SetSortIndicator(View.SortColumn(), View.Order() == TSortOrder::Descending
                                                ? Qt::DescendingOrder
                                                : Qt::AscendingOrder);
  Store.ShownRow = row;
  if (!View.IsFiltered()) {
    ShowRowPath(row);
    return;
  }
  const QLocale locale;
  SetStatus(QStringLiteral("%1 of %2 files shown")
                .arg(locale.toString(View.Count()), locale.toString(Store.RowCount)));
}
