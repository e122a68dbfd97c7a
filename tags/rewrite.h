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

// How a rewrite ended: the identity of the file now under the name, and, when the file took its
// new place but something after that failed (the folder could not be put on disk), what the
// person should know. A rewrite that fails throws instead.
struct TRewriteResult {
  TFileIdentity Identity;
  std::string Warning;
};

// Puts the tag that `makeTag` makes in place of the start of the file. With `identity`, the file
// must be the one that was read; otherwise TFileChangedError is thrown and nothing is written
// (the maker may throw it too, having seen the file's bytes). A file the user may not write, or
// whose owner write bit is clear, is refused as read-only.
//
// The new file is written whole into a new file of the same folder (unnamed until the end where
// the file system allows it, else under a free name no longer than the file's own), flushed to
// disk, given the file's owner and group (a save that cannot keep them fails), its permission
// bits and its extended attributes. It then trades places with the file in one step, and the
// file that came out must be the one that was read, unchanged since it was opened: otherwise
// the two trade back and the save fails, so another program's save that landed meanwhile is
// kept. Then the old file goes and the folder is flushed. So the file is never missing or
// partial; on any failure it keeps its bytes and the new file goes. Nothing else in the folder
// is ever removed. Throws TFileOpenError with the reason on any failure.
TRewriteResult RewriteFile(const std::string& path, const TFileIdentity* identity,
                           const TTagMaker& makeTag);

// The names a rewrite tries for its new file, in order: the file's name with its last character
// replaced by "~" ("song.mp3" -> "song.mp~"), then with its last two replaced by "~1" to "~9".
// Never longer than the name and never "*.mp3".
std::string TemporaryName(const std::string& name, int attempt = 0);
constexpr int TemporaryNameAttempts = 10;
