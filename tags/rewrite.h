#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "tags/fileidentity.h"

class TByteSource;

// What a rewrite puts at the start of the file: the new tag's bytes, and the offset where the
// rest of the file begins behind them (the end of the old tag; 0 keeps the whole file).
struct TNewTag {
  std::string Bytes;
  std::int64_t RestStart = 0;
};

// Makes the new tag from the file's bytes as they are while the rewrite holds the file; no value
// stops the rewrite.
using TTagMaker = std::function<std::optional<TNewTag>(TByteSource& file)>;

// Puts the tag that `makeTag` makes in place of the start of the file. With `expect`, the file
// must be the one that was read, still carrying the kind of tag it carried then; otherwise
// TFileChangedError is thrown and nothing is written.
//
// The new file is written whole into a new file of the same folder (unnamed until the end where
// the file system allows it, else under a name no longer than the file's own), flushed to disk,
// given the file's owner and group where allowed, its permission bits plus the owner write bit
// and its extended attributes, renamed over the file within the folder, and the folder is
// flushed. So the file is never missing or partial; on any failure it keeps its bytes and no
// new file stays beside it. Throws TFileOpenError with the reason on any failure; returns the
// identity of the file now under the name.
TFileIdentity RewriteFile(const std::string& path, const TSaveExpectation* expect,
                          const TTagMaker& makeTag);

// The name of a rewrite's named temporary file: the file's name with its last character
// replaced by "~" ("song.mp3" -> "song.mp~"), never longer than the name and never "*.mp3".
std::string TemporaryName(const std::string& name);
