#pragma once

#include <memory>

#include "tags/mp3tag.h"
#include "window/chunkedarray.h"
#include "window/tagrow.h"

// The list of files of the last scan: parallel arrays indexed by table row (entry 0 unused),
// the tag objects and the rows' display records. Both grow in chunks of 20 entries (50 at first)
// that never move, so growing copies nothing and a cell's storage stays where the table found it.
// Entries above RowCount may still hold tag objects of an earlier scan; they are reused by the
// next scan and freed with the store, and their records are stale.
struct TRowStore {
  static constexpr std::size_t InitialEntries = 50;
  static constexpr std::size_t GrowBy = 20;

  TChunkedArray<std::unique_ptr<TMP3Tag>, InitialEntries, GrowBy> Tags;
  TChunkedArray<TTagRow, InitialEntries, GrowBy> Rows;
  int RowCount = 0;
  int ShownRow = 0;
  bool Changed = false;
  // How many listed tags are modified: edits and their undoing keep it, so that Changed follows
  // what a save would write.
  int ModifiedTags = 0;
  // Counts the scans: what refers to rows of an earlier list (an edit history, a cache) knows
  // it is stale.
  unsigned Generation = 0;
  // Counts the changes to listed rows' texts (edits, their undoing, a save undone): what was
  // found in the texts knows it is stale.
  unsigned Revision = 0;

  int Length() const { return static_cast<int>(Tags.size()); }

  // Asks the processor to fetch the entries a pass over many will look at next, while it looks
  // at the entry `at` of `count`, `entry(n)` being the n-th it looks at: such a pass waits
  // mostly for memory. Each stage needs the one before it at hand, so the furthest entries get
  // the first: where their records are, then the tag object and the row's texts, then the
  // tag's own texts and where it keeps them as read, then those.
  template <typename Entry>
  void PrefetchAhead(std::size_t count, std::size_t at, Entry entry) const {
    constexpr std::size_t Distance = 12;
    if (at + 4 * Distance < count) {
      const std::size_t ahead = std::size_t(entry(at + 4 * Distance));
      PrefetchAddress(&Rows[ahead]);
      PrefetchAddress(&Tags[ahead]);
    }
    if (at + 3 * Distance < count) {
      const std::size_t ahead = std::size_t(entry(at + 3 * Distance));
      Rows[ahead].Prefetch();
      PrefetchAddress(Tags[ahead].get());
    }
    if (at + 2 * Distance < count) {
      if (const TMP3Tag* tag = Tags[std::size_t(entry(at + 2 * Distance))].get()) tag->Prefetch();
    }
    if (at + Distance < count) {
      if (const TMP3Tag* tag = Tags[std::size_t(entry(at + Distance))].get()) tag->PrefetchAsRead();
    }
  }

  bool IsListed(int row) const { return row >= 1 && row <= RowCount; }

  // Empties the list for a new scan: nothing listed, nothing changed.
  void Empty() {
    RowCount = 0;
    Changed = false;
    ModifiedTags = 0;
    ++Generation;
  }

  // Called right after RowCount was raised: grows both arrays by 20 when RowCount reached their
  // length, so that the length always stays above RowCount.
  void GrowIfFull() {
    if (RowCount >= Length()) {
      Tags.Grow();
      Rows.Grow();
    }
  }
};
