#include "window/tagtable.h"

TTagTable::TTagTable(TRowStore& store, TGrid& table, TCommentForm& commentForm, StatusFn setStatus)
    : Store(store), Table(table), CommentForm(commentForm), SetStatus(std::move(setStatus)) {
  Table.SetColumns({QStringLiteral("Title"), QStringLiteral("Artist"), QStringLiteral("Album"),
                    QStringLiteral("Year"), QStringLiteral("Comment")},
                   {150, 150, 150, 36, 150}, {255, 255, 255, 4, 255});
  Table.SetCodec([](const char* chars, int length) { return QString::fromUtf8(chars, length); },
                 [](const QString& text) { return text.toUtf8().toStdString(); });
  Table.SetRowLimit(2);

  Table.OnGetCellData = [this](int row, int column) { return TableGetCellData(row, column); };
  Table.OnGetCellAttributes = [this](int row, int column, TCellAttributes& attrs) {
    TableGetCellAttributes(row, column, attrs);
  };
  Table.OnEnteringRow = [this](int row) { TableEnteringRow(row); };
  Table.OnBeginEdit = [this](int row, int column, bool& allow) {
    TableBeginEdit(row, column, allow);
  };
  Table.OnEndEdit = [this](std::string& text, int row, int column, bool& allow) {
    TableEndEdit(text, row, column, allow);
  };
}
