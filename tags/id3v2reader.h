#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/bytesource.h"
#include "tags/id3v2frame.h"
#include "tags/unsyncsource.h"

// Where a frame lies: its id and flags, and the offset and length of its body in the tag's
// frame area. A body that would reach past the end of the tag is cut there.
struct TFrameSpan {
  std::array<char, 4> IdBytes{};  // zero-filled behind a three-character id
  std::uint8_t IdLength = 0;
  std::uint16_t Flags = 0;
  std::int64_t Offset = 0;
  std::int64_t Size = 0;

  std::string_view Id() const { return {IdBytes.data(), IdLength}; }
};

// Reads the ID3v2 tag at the start of a byte source, version 2.2, 2.3 or 2.4: the header, the
// extended header, the 2.4 footer and unsynchronisation are dealt with here, so that callers
// see frames only. Listing the frames reads their headers alone and a body is read when asked
// for; a 2.2 or 2.3 tag unsynchronised as a whole is decoded as far as it is read.
class TID3v2Reader {
 public:
  // Reads the ten header bytes.
  explicit TID3v2Reader(TByteSource& source);
  TID3v2Reader(const TID3v2Reader&) = delete;
  TID3v2Reader& operator=(const TID3v2Reader&) = delete;

  // The source holds at least ten bytes.
  bool HasHeader() const { return FHasHeader; }
  // The source begins with "ID3".
  bool Exists() const;
  std::uint8_t Version() const { return FHeader[3]; }
  // The bytes the tag takes from the start of the source: the header, the length its four
  // length bytes give (taken whole, no bits masked off) and a 2.4 footer. 0 without a tag or
  // when that reaches beyond the end of the source.
  std::int64_t Extent() const { return FExtent; }
  // The frames can be listed: a tag of version 2.2 (without its compression flag), 2.3 or 2.4
  // that lies within the source.
  bool Readable() const;

  // The frames in the order they are stored, up to the padding, the end of the tag or a frame
  // header cut short by that end. Empty when the tag is not readable.
  std::vector<TFrameSpan> Frames();
  // The same, each frame handed to `visit` as it is found and none kept: the memory a walk
  // costs does not grow with the number of frames.
  void VisitFrames(const std::function<void(const TFrameSpan&)>& visit);
  // The body of a listed frame as stored, at most `limit` bytes of it, with a 2.4 tag's
  // unsynchronisation undone for a frame that does not carry its own unsynchronisation flag.
  std::string Body(const TFrameSpan& span,
                   std::int64_t limit = std::numeric_limits<std::int64_t>::max());
  // The same without a copy, where the source has the body at hand and the tag's
  // unsynchronisation leaves it as stored; valid until the next read. No value otherwise.
  std::optional<std::string_view> BodyView(const TFrameSpan& span);
  // Every frame with its body.
  std::vector<TID3v2Frame> WholeFrames();

 private:
  struct TWalk {
    std::int64_t End = 0;        // where the walk stopped
    bool Overran = false;        // the last frame's size reached past the end of the tag
    bool EndsInPadding = false;  // stopped at zero bytes: a header's worth, or all that is left
    bool Ambiguous = false;      // a size read differently as plain and as sync-safe integer
    std::size_t ValidIds = 0;    // frames whose id is four capital letters or digits
  };

  void OpenArea();
  // Walks the frames, handing each to `visit` when there is one.
  TWalk Walk(bool syncSafeSizes, const std::function<void(const TFrameSpan&)>* visit);
  // The walk ended at the end of the tag or where padding begins.
  bool EndsCleanly(const TWalk& walk) const;
  // Whether the frame sizes read as sync-safe integers: always in a 2.4 tag, unless some
  // writer put plain sizes there (see the .cpp); never in the other versions.
  bool SyncSafeSizes();
  std::string ReadArea(std::int64_t offset, std::int64_t size);

  TByteSource& FSource;
  std::array<std::uint8_t, 10> FHeader{};
  bool FHasHeader = false;
  std::int64_t FExtent = 0;
  bool FAreaOpen = false;
  TByteSource* FArea = nullptr;  // the source, or the unsynchronised tag decoded
  std::optional<TUnsyncSource> FDecoded;
  std::optional<bool> FSyncSafe;
  std::int64_t FBegin = 0;  // the frames' part of the area, extended header skipped
  // The end of the frames' part. Of an unsynchronised tag only the raw length is known without
  // decoding it all: the decoded area ends earlier, where reads of it come back short.
  std::int64_t FEnd = 0;
};
