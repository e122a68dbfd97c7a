#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

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

// Puts the tag that `makeTag` makes in place of the start of the file. The new file
// is written completely to "<name>~" beside the file, flushed to disk and renamed over it, so
// the file is never missing or partial; on any failure the temporary file is removed and the
// file keeps its bytes. A file whose owner write bit is clear gets it first, as the new file
// does; the new file otherwise keeps the file's permission bits. False on any failure.
bool RewriteFile(const std::string& path, const TTagMaker& makeTag);
