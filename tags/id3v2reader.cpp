#include "tags/id3v2reader.h"

#include <algorithm>

#include "tags/id3v2bytes.h"

namespace {

constexpr std::int64_t HeaderSize = 10;
constexpr std::uint8_t Unsynchronised = 0x80;
constexpr std::uint8_t Extended = 0x40;  // in version 2.2 this bit means compression
constexpr std::uint8_t Footer = 0x10;
constexpr std::uint16_t FrameUnsynchronised24 = 0x0002;

bool IsIdByte(std::uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9'); }

bool IsValidId(const std::uint8_t* id, std::size_t length) {
  return std::all_of(id, id + length, IsIdByte);
}

}  // namespace

TID3v2Reader::TID3v2Reader(TByteSource& source) : FSource(source) {
  FHasHeader = source.ReadAt(0, FHeader.data(), FHeader.size()) == FHeader.size();
  if (!Exists()) return;
  const std::int64_t length = (std::int64_t(FHeader[6]) << 21) + (std::int64_t(FHeader[7]) << 14) +
                              (std::int64_t(FHeader[8]) << 7) + FHeader[9];
  const bool footer = Version() == 4 && (FHeader[5] & Footer);
  const std::int64_t extent = HeaderSize + length + (footer ? HeaderSize : 0);
  FExtent = extent > source.Size() ? 0 : extent;
}

bool TID3v2Reader::Exists() const {
  return FHasHeader && FHeader[0] == 'I' && FHeader[1] == 'D' && FHeader[2] == '3';
}

bool TID3v2Reader::Readable() const {
  if (!Exists() || FExtent == 0) return false;
  // No compression scheme for a whole 2.2 tag was ever defined: such a tag cannot be read.
  return (Version() == 2 && !(FHeader[5] & Extended)) || Version() == 3 || Version() == 4;
}

std::string TID3v2Reader::ReadArea(std::int64_t offset, std::int64_t size) {
  std::string bytes(std::size_t(std::max<std::int64_t>(size, 0)), '\0');
  bytes.resize(FArea->ReadAt(offset, reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()));
  return bytes;
}

void TID3v2Reader::OpenArea() {
  if (FAreaOpen) return;
  FAreaOpen = true;
  FArea = &FSource;
  FBegin = HeaderSize;
  FEnd = FExtent - ((Version() == 4 && (FHeader[5] & Footer)) ? HeaderSize : 0);
  // Versions 2.2 and 2.3 unsynchronise everything behind the header, extended header included;
  // frame sizes count the bytes as they were before.
  if (Version() < 4 && (FHeader[5] & Unsynchronised)) {
    FDecoded.emplace(FSource, FBegin, FEnd);
    FArea = &*FDecoded;
    FEnd -= FBegin;
    FBegin = 0;
  }
  if (Version() >= 3 && (FHeader[5] & Extended)) {
    std::uint8_t size[4] = {};
    if (FArea->ReadAt(FBegin, size, 4) != 4) {
      FBegin = FEnd;
    } else if (!IsValidId(size, 4)) {
      // Some writers set the flag without writing an extended header: frames follow at once.
      // Version 2.3 counts the bytes behind the size, 2.4 the whole extended header.
      FBegin += Version() == 3 ? 4 + std::int64_t(BigEndian32(size))
                               : std::max<std::int64_t>(4, SyncSafe32(size));
    }
    FBegin = std::min(FBegin, FEnd);
  }
}

TID3v2Reader::TWalk TID3v2Reader::Walk(bool syncSafeSizes,
                                       const std::function<void(const TFrameSpan&)>* visit) {
  TWalk walk;
  const std::size_t idLength = Version() == 2 ? 3 : 4;
  const std::int64_t headerLength = Version() == 2 ? 6 : 10;
  std::int64_t position = FBegin;
  while (position < FEnd) {
    // What is left may be shorter than a header: then it can only be padding.
    const auto length = std::size_t(std::min(headerLength, FEnd - position));
    std::uint8_t header[10] = {};
    if (FArea->ReadAt(position, header, length) != length) break;
    // Padding is zero bytes; an id must begin with a capital letter.
    if (header[0] < 'A' || header[0] > 'Z' || std::int64_t(length) < headerLength) {
      walk.EndsInPadding = std::all_of(header, header + length, [](auto b) { return b == 0; });
      break;
    }
    std::uint32_t size = 0;
    if (Version() == 2) {
      size = BigEndian24(header + 3);
    } else {
      size = Version() == 4 && syncSafeSizes ? SyncSafe32(header + 4) : BigEndian32(header + 4);
      walk.Ambiguous = walk.Ambiguous || BigEndian32(header + 4) != SyncSafe32(header + 4);
    }
    TFrameSpan span;
    std::copy_n(header, idLength, span.IdBytes.begin());
    span.IdLength = std::uint8_t(idLength);
    if (Version() > 2) span.Flags = std::uint16_t(header[8] << 8 | header[9]);
    span.Offset = position + headerLength;
    span.Size = std::min<std::int64_t>(size, FEnd - span.Offset);
    walk.ValidIds += IsValidId(header, idLength) ? 1 : 0;
    if (visit) (*visit)(span);
    position += headerLength + std::int64_t(size);  // 64-bit: a size near 2^32 cannot wrap
    if (position > FEnd) {
      walk.Overran = true;
      position = FEnd;
      break;
    }
  }
  walk.End = position;
  return walk;
}

bool TID3v2Reader::EndsCleanly(const TWalk& walk) const {
  return !walk.Overran && (walk.End == FEnd || walk.EndsInPadding);
}

bool TID3v2Reader::SyncSafeSizes() {
  if (!FSyncSafe) {
    FSyncSafe = Version() == 4;
    // Some writers put plain sizes into 2.4 frames. Where a size reads differently in the two
    // ways and the sync-safe reading does not end cleanly, the plain one wins when it does, or
    // when it finds more frames with valid ids. Only headers are read for this.
    if (Version() == 4) {
      const TWalk walk = Walk(true, nullptr);
      if (walk.Ambiguous && !EndsCleanly(walk)) {
        const TWalk plain = Walk(false, nullptr);
        FSyncSafe = !(EndsCleanly(plain) || plain.ValidIds > walk.ValidIds);
      }
    }
  }
  return *FSyncSafe;
}

std::vector<TFrameSpan> TID3v2Reader::Frames() {
  std::vector<TFrameSpan> spans;
  VisitFrames([&](const TFrameSpan& span) { spans.push_back(span); });
  return spans;
}

void TID3v2Reader::VisitFrames(const std::function<void(const TFrameSpan&)>& visit) {
  if (!Readable()) return;
  OpenArea();
  Walk(SyncSafeSizes(), &visit);
}

std::string TID3v2Reader::Body(const TFrameSpan& span, std::int64_t limit) {
  OpenArea();
  std::string body = ReadArea(span.Offset, std::min(span.Size, limit));
  // In 2.4 the tag's flag means that every frame was unsynchronised on its own.
  if (Version() == 4 && (FHeader[5] & Unsynchronised) && !(span.Flags & FrameUnsynchronised24)) {
    body = UndoUnsync(body);
  }
  return body;
}

std::optional<std::string_view> TID3v2Reader::BodyView(const TFrameSpan& span) {
  OpenArea();
  if (Version() == 4 && (FHeader[5] & Unsynchronised) && !(span.Flags & FrameUnsynchronised24))
    return std::nullopt;
  return FArea->View(span.Offset, std::size_t(std::max<std::int64_t>(span.Size, 0)));
}

std::vector<TID3v2Frame> TID3v2Reader::WholeFrames() {
  std::vector<TID3v2Frame> frames;
  for (const TFrameSpan& span : Frames())
    frames.push_back({std::string(span.Id()), span.Flags, Body(span)});
  return frames;
}
