// The table's display: cell texts straight from the row records, row colours from the tag
// objects, and the status line following the active row.
#include <QFile>

#include "window/tagcolours.h"
#include "window/tagtable.h"

QStringView TTagTable::TableGetCellData(int row, int column) {
  if (!IsListed(row)) return {};
  return Row(row).Text(column);
}

void TTagTable::TableSetCellData(int row, int column, const QString& text) {
  if (IsListed(row)) Row(row).SetText(column, text);
}

void TTagTable::TableGetCellAttributes(int row, int /*column*/, TCellAttributes& attrs) {
  if (!IsListed(row)) return;
  if (Row(row).ReadOnly()) {
    attrs.Background = TagColours::ReadOnly;
    attrs.Bold = true;
    return;
  }
  const TMP3Tag& tag = Tag(row);
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
