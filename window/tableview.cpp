// The table's display: cell texts straight from the row records, row colours from the tag
// objects, and the status line following the active row.
#include <QFile>

#include "window/tagcolours.h"
#include "window/tagtable.h"

QStringView TTagTable::TableGetCellData(int row, int column) {
  if (!IsListed(row)) return {};
  if (column == int(TField::FileName)) return FileNameText(row);
  return Row(row).Text(column);
}

QStringView TTagTable::FileNameText(int row) {
  // Decoded when painted, not kept per row: a list of a million files would pay for every name.
  const int entry = StoreRow(row);
  TShownName& name = ShownNames[std::size_t(entry) % ShownNames.size()];
  if (name.Entry != entry || name.Generation != Store.Generation) {
    name = {entry, Store.Generation,
            QFile::decodeName(QByteArray::fromStdString(Tag(row).Get(TField::FileName)))};
  }
  return name.Text;
}

void TTagTable::TableSetCellData(int row, int column, const QString& text) {
  if (!IsListed(row)) return;
  Row(row).SetText(column, text);
  ++Store.Revision;
}

void TTagTable::TableGetCellAttributes(int row, int column, TCellAttributes& attrs) {
  if (!IsListed(row)) return;
  if (Row(row).ReadOnly()) {
    attrs.Background = TagColours::ReadOnly;
    attrs.Bold = true;
    return;
  }
  const TMP3Tag& tag = Tag(row);
  // What a save will write.
  attrs.Modified = column >= 0 && column < ColumnCount && tag.IsSet(TField(column));
  if (!tag.HasTitle())
    attrs.Background = TagColours::Invalid;
  else
    attrs.Background = tag.IsVersion2() ? TagColours::Version2 : TagColours::Version1;
}

// The row passed is ignored: the grid also announces rows it merely paints.
void TTagTable::TableEnteringRow(int /*row*/) {
  const int active = Table.ActiveRow();
  if (active == Store.ShownRow) return;
  Store.ShownRow = active;
  ShowRowPath(active);
}

void TTagTable::ShowRowPath(int row) {
  SetStatus(IsListed(row) ? QFile::decodeName(QByteArray::fromStdString(Tag(row).FullPath()))
                          : QString());
}
