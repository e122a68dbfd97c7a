// Cell editing: read-only rows are refused, a version 2 comment goes through the comment dialog,
// and a changed text reaches the tag object's setter and marks the window's unsaved changes.
#include <QDialog>

#include "window/commentform.h"
#include "window/commentlines.h"
#include "window/messagebox.h"
#include "window/tagtable.h"

namespace {

const QString ReadOnlyText =
    QStringLiteral("Tag cannot be changed :\rthe associated file is read-only");
const QString Version1Text = QStringLiteral(
    "The tag is currently a version 1 tag.\rVersion 1 tag strings have a maximum length of 30 "
    "=>\rDo you want to convert the tag to version 2");

// An ID3v1 text field holds 30 characters.
constexpr std::size_t Version1Width = 30;
constexpr int CommentColumn = 4;

// Columns 0 to 4 are Title, Artist, Album, Year and Comment.
std::string GetValue(TMP3Tag& tag, int column) {
  switch (column) {
    case 0:
      return tag.GetTitle();
    case 1:
      return tag.GetArtist();
    case 2:
      return tag.GetAlbum();
    case 3:
      return tag.GetYear();
    default:
      return tag.GetComment();
  }
}

void SetValue(TMP3Tag& tag, int column, const std::string& text) {
  switch (column) {
    case 0:
      return tag.SetTitle(text);
    case 1:
      return tag.SetArtist(text);
    case 2:
      return tag.SetAlbum(text);
    case 3:
      return tag.SetYear(text);
    default:
      return tag.SetComment(text);
  }
}

}  // namespace

void TTagTable::TableBeginEdit(int row, int column, bool& allow) {
  allow = Store.IsListed(row) && !Row(row).ReadOnly;
  if (allow && column == CommentColumn && Tag(row).IsVersion2()) {
    EditComment(row);
    allow = false;  // the in-cell editor never opens on this cell
    return;
  }
  if (Store.IsListed(row) && Row(row).ReadOnly) {
    MessageDlg(ReadOnlyText, TMsgKind::Error, TButtons::Ok());
    return;
  }
  if (!allow) return;
  EditRow = row;
  EditColumn = column;
  const unsigned char* cell = TableGetCellData(row, column);
  EditStartText = cell ? std::string(reinterpret_cast<const char*>(cell + 1), cell[0]) : "";
}

void TTagTable::TableEndEdit(std::string& text, int row, int column, bool& /*allow*/) {
  if (!Store.IsListed(row) || column < 0 || column >= ColumnCount) return;
  TMP3Tag& tag = Tag(row);
  const bool untouched = row == EditRow && column == EditColumn && text == EditStartText;
  EditColumn = -1;
  // A row without a valid title shows empty cells whatever the tag holds; leaving such a cell as
  // it was must not empty the field. The Title cell shows the file name and keeps its rule:
  // leaving it unchanged gives the tag that title.
  if (untouched && column != 0 && !tag.HasTitle()) return;

  const std::string current = GetValue(tag, column);
  if (!tag.IsVersion2() && text.size() > Version1Width) {
    if (MessageDlg(Version1Text, TMsgKind::Confirm, TButtons::YesNo()) == TAnswer::No)
      text.resize(Version1Width);
    else
      tag.ConvertToVersion2();
  }
  if (text == current) return;
  Store.Changed = true;
  SetValue(tag, column, text);
  Table.InvalidateRow(row);
}

void TTagTable::EditComment(int row) {
  TagRow& record = Row(row);
  const std::string shown = LinesToText(TextToLines(record.Comment.Str()));
  CommentForm.SetLines(TextToLines(record.Comment.Str()));
  if (CommentForm.exec() != QDialog::Accepted) return;

  const std::string comment = LinesToText(CommentForm.Lines());
  TMP3Tag& tag = Tag(row);
  // As in the cells: OK on the empty comment shown for a row without a valid title keeps the
  // comment the tag may hold.
  if (!tag.HasTitle() && comment == shown) return;
  record.Comment = comment;
  tag.SetComment(comment);
  Store.Changed = Store.Changed || tag.Modified();
  Table.InvalidateRow(row);
}
