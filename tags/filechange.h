#pragma once

#include <cstdint>
#include <string>

#include "tags/fileidentity.h"

// One change of a file's bytes: the bytes `Old` at `Offset` give way to `New`, and the rest of
// the file follows as it was. Where both are as long, the change is written in place; at the
// end of the file the file grows or shrinks in place (an ID3v1 block appended or taken away);
// elsewhere, the start of the file (an ID3v2 tag that grew or shrank) is rewritten through a new
// file. The inverse change puts the old bytes back.
struct TFileChange {
  std::string Path;
  TFileIdentity Identity;  // the file the change is for
  std::int64_t Size = 0;   // its size before the change
  std::int64_t Offset = 0;
  std::string Old;
  std::string New;

  std::int64_t SizeAfter() const {
    return Size - std::int64_t(Old.size()) + std::int64_t(New.size());
  }
  bool InPlace() const { return Old.size() == New.size(); }
  bool AtEnd() const { return Offset + std::int64_t(Old.size()) == Size; }
  // Written without a new file: in place, or at the end of the file.
  bool WithoutRewrite() const { return InPlace() || AtEnd(); }

  // The change that undoes this one once it was written, the file then being `after`.
  TFileChange Inverse(const TFileIdentity& after) const;

  bool operator==(const TFileChange&) const = default;
};

// What writing a change did: the file now under the name (a rewrite makes a new one), and
// what the person should know of a change that was written but not all of whose steps went
// through (the folder not yet flushed).
struct TChangeResult {
  TFileIdentity Identity;
  std::string Warning;
};

// Writes the change into the file, which must be the one the change is for and hold the old
// bytes (its size and those bytes exactly); otherwise TFileChangedError, and nothing is written.
// A write in place or at the end is not flushed here: the caller flushes the file system once
// for all the files of a save. A rewrite is flushed and atomic (RewriteFile). Throws
// TFileOpenError with the reason on any failure; a write in place that fails part way puts the
// old bytes back where it can.
TChangeResult WriteChange(const TFileChange& change);
