#include "window/tagtable.h"

#include <QCoreApplication>
#include <QMenu>

#include "window/messagebox.h"

namespace {

// The characters a typed text of a field may bring in. A year is digits: readers find no year in
// anything else; a track is digits, and "/" before the number of tracks. A text the file holds
// already stays as it is until it is edited.
TCharacterFilter TypedCharacters(TTextRule rule) {
  if (rule == TTextRule::Year)
    return [](char32_t character) { return character >= '0' && character <= '9'; };
  if (rule == TTextRule::Track)
    return [](char32_t character) {
      return (character >= '0' && character <= '9') || character == '/';
    };
  return {};
}

}  // namespace

TTagTable::TTagTable(TRowStore& store, TGrid& table, TCommentForm& commentForm, StatusFn setStatus)
    : Store(store),
      Table(table),
      CommentForm(commentForm),
      SetStatus(std::move(setStatus)),
      View(store, [this] { ViewReady(); }) {
  QStringList headings;
  std::vector<int> widths, limits;
  for (int column = 0; column < ColumnCount; ++column) {
    const TFieldInfo& info = Info(TField(column));
    headings << QString::fromUtf8(info.Heading.data(), qsizetype(info.Heading.size()));
    widths.push_back(info.Width);
    limits.push_back(int(info.Limit));
    Table.SetColumnCharacters(column, TypedCharacters(info.Rule));
  }
  Table.SetColumns(headings, widths, limits);
  for (int column = 0; column < ColumnCount; ++column)
    Table.SetColumnHidden(column, !Info(TField(column)).ShownByDefault);
  Table.SetRowLimit(2);
  PumpEvents = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };

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
  Table.OnHeaderClick = [this](int column) { TableHeaderClick(column); };
  ViewRetry.setSingleShot(true);
  ViewRetry.setInterval(50);
  QObject::connect(&ViewRetry, &QTimer::timeout, &ViewRetry, [this] { ViewReady(); });
  Table.OnHeaderContextMenu = [this](int, const QPoint& pos) {
    RunUserAction([&] { MakeHeaderMenu()->exec(pos); });
  };
  Table.OnCellContextMenu = [this](const QPoint& pos) {
    RunUserAction([&] { MakeCellMenu()->exec(pos); });
  };
  CreateActions();
}
