#include "tags/unsyncsource.h"

#include <algorithm>
#include <array>

TUnsyncSource::TUnsyncSource(TByteSource& raw, std::int64_t begin, std::int64_t end)
    : FRaw(raw), FEnd(std::max(begin, end)), FCursor{begin, 0, false}, FMarks{FCursor} {}

std::int64_t TUnsyncSource::Size() {
  if (FSize < 0) {
    FCursor = FMarks.back();
    Decode(0, nullptr, 0);
    FSize = FCursor.Decoded;
  }
  return FSize;
}

std::size_t TUnsyncSource::ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) {
  if (offset < 0 || n == 0 || (FSize >= 0 && offset >= FSize)) return 0;
  // Start from the cursor when the read lies ahead of it (the frame walk reads forward), else
  // from the last mark before the offset.
  if (offset < FCursor.Decoded) {
    const auto after = std::upper_bound(
        FMarks.begin(), FMarks.end(), offset,
        [](std::int64_t value, const TPlace& place) { return value < place.Decoded; });
    FCursor = *std::prev(after);
  }
  return Decode(offset, out, n);
}

void TUnsyncSource::MarkPlace() {
  if (FCursor.Raw - FMarks.back().Raw >= MarkEvery) FMarks.push_back(FCursor);
}

std::size_t TUnsyncSource::Decode(std::int64_t from, std::uint8_t* out, std::size_t n) {
  std::array<std::uint8_t, ChunkSize> chunk;
  std::size_t given = 0;
  // Without `out`, decodes to the end of the range.
  while (FCursor.Raw < FEnd && (!out || given < n)) {
    const auto want = std::size_t(std::min<std::int64_t>(ChunkSize, FEnd - FCursor.Raw));
    const std::size_t got = FRaw.ReadAt(FCursor.Raw, chunk.data(), want);
    if (got == 0) {  // the raw source ends before the range does
      FEnd = FCursor.Raw;
      break;
    }
    std::size_t i = 0;
    for (; i < got; ++i) {
      const std::uint8_t byte = chunk[i];
      if (FCursor.AfterFF && byte == 0) {
        FCursor.AfterFF = false;
        continue;
      }
      FCursor.AfterFF = byte == 0xFF;
      if (FCursor.Decoded >= from && out) {
        out[given++] = byte;
        if (given == n) {
          ++i;
          ++FCursor.Decoded;
          break;
        }
      }
      ++FCursor.Decoded;
    }
    FCursor.Raw += std::int64_t(i);
    MarkPlace();
  }
  if (FCursor.Raw >= FEnd) FSize = FCursor.Decoded;
  return given;
}
