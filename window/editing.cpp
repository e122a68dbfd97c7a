// Cell editing: read-only rows are refused, a version 2 comment goes through the comment dialog,
// and a changed text goes, by the rules of window/batchedit.cpp, into the edited cell and every
// other selected cell of its column, as one step of the history.
#include <QDialog>

#include "window/commentform.h"
#include "window/commentlines.h"
#include "window/editrules.h"
#include "window/messagebox.h"
#include "window/tagtable.h"

namespace {

constexpr int CommentColumn = int(TField::Comment);

}  // namespace

void TTagTable::TableBeginEdit(int row, int column, const QString& typed, bool& allow) {
  if (column < 0 || column >= ColumnCount || Info(TField(column)).Rule == TTextRule::ReadOnly) {
    allow = false;  // the file name is shown, not changed, here
    return;
  }
  // A text the listing kept only the start of is never edited from what it showed: the rest
  // would be lost.
  if (IsListed(row) && !Row(row).ReadOnly() && Tag(row).IsCut(TField(column))) {
    allow = false;
    MessageDlg(CutMessage(), TMsgKind::Error, TButtons::Ok());
    return;
  }
  allow = IsListed(row) && !Row(row).ReadOnly();
  if (allow && column == CommentColumn && Tag(row).IsVersion2()) {
    EditComment(row, typed);
    allow = false;  // the in-cell editor never opens on this cell
    return;
  }
  if (IsListed(row) && Row(row).ReadOnly()) {
    MessageDlg(ReadOnlyMessage(), TMsgKind::Error, TButtons::Ok());
    return;
  }
  if (!allow) return;
  EditRow = row;
  EditColumn = column;
  EditStartText = TableGetCellData(row, column).toString();
  // The text goes to the cells selected now: a click that ends the edit selects another.
  EditRanges = Table.SelectedRanges();
}

int TTagTable::TableMaxLength(int row, int column) {
  const TField field = TField(column);
  if (!IsListed(row)) return int(Info(field).Limit);
  // A block takes longer texts than its width: they lead to the question whether to convert.
  const std::size_t limit = std::max(Info(field).Limit, Tag(row).Limit(field));
  return int(std::min<std::size_t>(limit, TTagRow::MaxUnits));
}

void TTagTable::TableEndEdit(QString& text, int row, int column, bool& /*allow*/) {
  if (!IsListed(row) || column < 0 || column >= ColumnCount) return;
  const bool untouched = row == EditRow && column == EditColumn && text == EditStartText;
  EditColumn = -1;
  // A cell left with the text it showed changes nothing, whatever the tag holds behind it: the
  // empty cells of a row without a valid title, a file name shown as its title.
  if (untouched) return;
  // The grid stores the edited cell's text afterwards: what the tag took of it; the text the
  // cell showed when the tag took none of it (a genre a block cannot hold).
  TEdits edits{{text.toStdString()}, EditedCells(row, column, EditRanges), 0, true};
  if (const std::optional<QString> shown = ApplyEdits(edits, row, TField(column)))
    text = *shown;
  else if (Tag(row).Get(TField(column)) != edits.Texts[0])
    text = TableGetCellData(row, column).toString();
}

std::vector<TTagTable::TCellEdit> TTagTable::EditedCells(
    int row, int column, const std::vector<TGridRange>& ranges) const {
  std::vector<TCellEdit> cells{{row, TField(column), 0}};
  for (const TGridRange& range : ranges) {
    if (range.Left > column || column > range.Right) continue;
    for (int other = range.Top; other <= range.Bottom && IsListed(other); ++other)
      if (other != row) cells.push_back({other, TField(column), 0});
  }
  return cells;
}

void TTagTable::Refill(int row) {
  const std::string& path = Tag(row).FullPath();
  Row(row).Fill(Tag(row), std::string_view(path).substr(path.rfind('/') + 1));
}

void TTagTable::EditComment(int row, const QString& typed) {
  const std::vector<std::string> lines =
      TextToLines(Row(row).Text(CommentColumn).toString().toStdString());
  // A comment longer than a typed one may be keeps every character the person did not delete.
  const std::size_t limit = Tag(row).Limit(TField::Comment);
  const std::string shown = LinesToText(lines, limit);
  // A typed character replaces the comment, as it replaces the text of any other cell.
  CommentForm.SetLines(typed.isEmpty() ? lines : std::vector{typed.toStdString()});
  if (CommentForm.ShowModal() != QDialog::Accepted) return;

  // OK on the text as it was shown changes nothing: the empty comment of a row without a valid
  // title keeps the comment its tag holds, and lines parted by CR or CR LF keep their bytes. A
  // comment that was changed has all its lines parted by LF, so that every reader shows the
  // lines the dialog showed. It goes to every selected comment, as a typed text does.
  const std::string comment = LinesToText(CommentForm.Lines(), limit);
  if (comment == shown) return;
  ApplyEdits({{comment}, EditedCells(row, CommentColumn, Table.SelectedRanges()), 0, true}, row,
             TField::Comment);
}
