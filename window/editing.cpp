// Cell editing: read-only rows are refused, a version 2 comment goes through the comment dialog,
// and a changed text reaches the tag object's setter and marks the window's unsaved changes.
#include <QDialog>

#include "tags/textcodec.h"
#include "window/commentform.h"
#include "window/commentlines.h"
#include "window/messagebox.h"
#include "window/tagtable.h"

namespace {

constexpr int CommentColumn = int(TField::Comment);

const QString ReadOnlyText =
    QStringLiteral("Tag cannot be changed :\rthe associated file is read-only");
const QString CutText =
    QStringLiteral("Tag cannot be changed :\rthis text is too long to be shown whole");

// The version 1 question names what the text breaks: its length, its characters, or both. A
// comment beside a track number holds 28 characters.
QString Version1Question(bool tooLong, bool foreign, std::size_t width) {
  const QString length = QStringLiteral("have a maximum length of %1").arg(width);
  QString reason;
  if (tooLong && foreign)
    reason = length + QStringLiteral(" and cannot hold some of these characters");
  else if (tooLong)
    reason = length;
  else
    reason = QStringLiteral("cannot hold some of these characters");
  return QStringLiteral(
             "The tag is currently a version 1 tag.\rVersion 1 tag strings %1 =>\rDo you want to "
             "convert the tag to version 2")
      .arg(reason);
}

}  // namespace

void TTagTable::TableBeginEdit(int row, int column, const QString& typed, bool& allow) {
  // A text the listing kept only the start of is never edited from what it showed: the rest
  // would be lost.
  if (IsListed(row) && !Row(row).ReadOnly() && Tag(row).IsCut(TField(column))) {
    allow = false;
    MessageDlg(CutText, TMsgKind::Error, TButtons::Ok());
    return;
  }
  allow = IsListed(row) && !Row(row).ReadOnly();
  if (allow && column == CommentColumn && Tag(row).IsVersion2()) {
    EditComment(row, typed);
    allow = false;  // the in-cell editor never opens on this cell
    return;
  }
  if (IsListed(row) && Row(row).ReadOnly()) {
    MessageDlg(ReadOnlyText, TMsgKind::Error, TButtons::Ok());
    return;
  }
  if (!allow) return;
  EditRow = row;
  EditColumn = column;
  EditStartText = TableGetCellData(row, column).toString();
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

  TMP3Tag& tag = Tag(row);
  const TField field = TField(column);
  const bool hadTitle = tag.HasTitle();
  const bool wasVersion2 = tag.IsVersion2();
  std::string value = text.toStdString();
  if (!tag.Fits(field, value)) {
    const std::size_t width = tag.Limit(field);
    const bool tooLong = CharacterCount(value) > width;
    if (MessageDlg(Version1Question(tooLong, !FitsWin1252(value), width), TMsgKind::Confirm,
                   TButtons::YesNo()) == TAnswer::No) {
      // What the block can hold: its width, each character it has no byte for shown as "?".
      value = Win1252ToUtf8(Utf8ToWin1252(CutToCharacters(value, width)));
      text = QString::fromStdString(value);
    } else {
      tag.ConvertToVersion2();
    }
  }
  const bool changed = value != tag.Get(field);
  if (changed) {
    Store.Changed = true;
    tag.Set(field, value);
  }
  // A row whose tag gained a valid title, or became version 2, shows the tag again: fields that
  // were hidden behind empty cells appear. The grid stores the edited cell's text afterwards.
  const bool newState = (!hadTitle && tag.HasTitle()) || (!wasVersion2 && tag.IsVersion2());
  if (newState) Refill(row);
  if (changed || newState) Table.InvalidateRow(row);
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
  // lines the dialog showed.
  const std::string comment = LinesToText(CommentForm.Lines(), limit);
  if (comment == shown) return;
  TMP3Tag& tag = Tag(row);
  Row(row).SetText(CommentColumn, QString::fromStdString(comment));
  tag.SetComment(comment);
  Store.Changed = Store.Changed || tag.Modified();
  Table.InvalidateRow(row);
}
