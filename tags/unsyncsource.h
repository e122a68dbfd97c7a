#pragma once

#include <cstdint>
#include <vector>

#include "tags/bytesource.h"

// The bytes of an unsynchronised range of another source as they were before unsynchronisation
// put a zero byte behind every 0xFF. Decoded on demand, a part at a time: a tag that declares
// hundreds of megabytes costs a reader only the parts it reads. Remembers where it has been
// (one mark per 64 KiB of the range), so going back costs little.
class TUnsyncSource : public TByteSource {
 public:
  // The range [begin, end) of `raw`, which must outlive this source.
  TUnsyncSource(TByteSource& raw, std::int64_t begin, std::int64_t end);

  // Decodes the whole range the first time it is asked.
  std::int64_t Size() override;
  std::size_t ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) override;

 private:
  // A place in the range: the raw offset, the decoded offset it stands for, and whether the
  // byte decoded last was 0xFF (so a zero byte next is dropped).
  struct TPlace {
    std::int64_t Raw = 0;
    std::int64_t Decoded = 0;
    bool AfterFF = false;
  };

  // Decodes from the cursor on, giving the decoded bytes from `from` on to `out` (up to n),
  // until n are given or the range ends. Returns how many were given.
  std::size_t Decode(std::int64_t from, std::uint8_t* out, std::size_t n);
  void MarkPlace();

  static constexpr std::int64_t MarkEvery = 64 * 1024;
  static constexpr std::size_t ChunkSize = 16 * 1024;

  TByteSource& FRaw;
  std::int64_t FEnd;
  TPlace FCursor;
  std::vector<TPlace> FMarks;  // in raw order, the first at the range's start
  std::int64_t FSize = -1;     // the decoded size, once known
};
