#include "window/tagtable.h"

TTagTable::TTagTable(TRowStore& store, TGrid& table, TCommentForm& commentForm, StatusFn setStatus)
    : Store(store), Table(table), CommentForm(commentForm), SetStatus(std::move(setStatus)) {
  Table.SetColumns({QStringLiteral("Title"), QStringLiteral("Artist"), QStringLiteral("Album"),
                    QStringLiteral("Year"), QStringLiteral("Comment")},
                   {150, 150, 150, 36, 150},
                   {TTagRow::MaxCharacters(0), TTagRow::MaxCharacters(1), TTagRow::MaxCharacters(2),
                    TTagRow::MaxCharacters(3), TTagRow::MaxCharacters(4)});
  Table.SetRowLimit(2);

  Table.OnGetCellData = [this](int row, int column) { return TableGetCellData(row, column); };
  Table.OnSetCellData = [this](int row, int column, const QString& text) {
    TableSetCellData(row, column, text);
  };
  Table.OnGetCellAttributes = [this](int row, int column, TCellAttributes& attrs) {
    TableGetCellAttributes(row, column, attrs);
  };
  Table.OnEnteringRow = [this](int row) { TableEnteringRow(row); };
  Table.OnBeginEdit = [this](int row, int column, bool& allow) {
    TableBeginEdit(row, column, allow);
  };
  Table.OnEndEdit = [this](QString& text, int row, int column, bool& allow) {
    TableEndEdit(text, row, column, allow);
  };
}
