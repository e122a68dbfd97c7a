#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tags/mp3tag.h"
#include "tags/shortstring.h"

// The display record of one listed file. The grid reads and writes these buffers in place.
struct TagRow {
  ShortString<255> Title;
  ShortString<255> Artist;
  ShortString<255> Album;
  ShortString<4> Year;
  ShortString<255> Comment;
  bool ReadOnly = false;

  // The storage of a column's text (0 Title .. 4 Comment): its length byte, the characters
  // right behind it. nullptr for any other column.
  std::uint8_t* Field(int column);

  // The row of a freshly read file: the tag's fields when it has a valid title; otherwise the
  // file's own name as Title and the rest empty, whatever else the tag holds. The read-only
  // attribute is the one the tag object found when it opened the file.
  void Fill(TMP3Tag& tag, const std::string& fileName);
};

// The list of files of the last scan: parallel arrays indexed by table row (entry 0 unused).
// Entries above RowCount may still hold tag objects of an earlier scan; they are reused by the
// next scan and freed with the store, and their records are stale.
struct TRowStore {
  static constexpr int InitialEntries = 50;
  static constexpr int GrowBy = 20;

  std::vector<std::unique_ptr<TMP3Tag>> Tags =
      std::vector<std::unique_ptr<TMP3Tag>>(InitialEntries);
  std::vector<TagRow> Rows = std::vector<TagRow>(InitialEntries);
  int RowCount = 0;
  int ShownRow = 0;
  bool Changed = false;

  int Length() const { return static_cast<int>(Tags.size()); }
  bool IsListed(int row) const { return row >= 1 && row <= RowCount; }

  // Called right after RowCount was raised: grows both arrays by 20 when RowCount reached their
  // length, so that the length always stays above RowCount.
  void GrowIfFull() {
    if (RowCount >= Length()) {
      Tags.resize(Tags.size() + GrowBy);
      Rows.resize(Tags.size());
    }
  }
};
