#include "window/tagtable.h"

TTagTable::TTagTable(TRowStore& store, TGrid& table, TCommentForm& commentForm, StatusFn setStatus)
    : Store(store), Table(table), CommentForm(commentForm), SetStatus(std::move(setStatus)) {
  QStringList headings;
  std::vector<int> widths, limits;
  for (int column = 0; column < ColumnCount; ++column) {
    const TFieldInfo& info = Info(TField(column));
    headings << QString::fromUtf8(info.Heading.data(), qsizetype(info.Heading.size()));
    widths.push_back(info.Width);
    limits.push_back(int(info.Limit));
  }
  Table.SetColumns(headings, widths, limits);
  Table.SetRowLimit(2);

  Table.OnGetCellData = [this](int row, int column) { return TableGetCellData(row, column); };
  Table.OnSetCellData = [this](int row, int column, const QString& text) {
    TableSetCellData(row, column, text);
  };
  Table.OnGetCellAttributes = [this](int row, int column, TCellAttributes& attrs) {
    TableGetCellAttributes(row, column, attrs);
  };
  Table.OnEnteringRow = [this](int row) { TableEnteringRow(row); };
  Table.OnBeginEdit = [this](int row, int column, const QString& typed, bool& allow) {
    TableBeginEdit(row, column, typed, allow);
  };
  Table.OnEndEdit = [this](QString& text, int row, int column, bool& allow) {
    TableEndEdit(text, row, column, allow);
  };
  Table.OnGetMaxLength = [this](int row, int column) { return TableMaxLength(row, column); };
}
