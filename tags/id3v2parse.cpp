#include "tags/id3v2parse.h"

#include <algorithm>
#include <cstdint>

#include "tags/bytesource.h"
#include "tags/id3v2.h"
#include "tags/textcodec.h"
#include "tags/texttrim.h"

struct TID3v2Access {
  static void Fill(TID3v2& tag, const TTagInfo& info, std::int64_t size) {
    tag.FExists = true;
    tag.FVersion = info.Header[3];
    tag.FSize = size;
  }
  static void FillTexts(TID3v2& tag, const TTagInfo& info) {
    // The frames' bytes are Windows-1252; the tag holds UTF-8.
    tag.FTitle = Win1252ToUtf8(Trim(info.Frame(TFrame::Title)));
    tag.FArtist = Win1252ToUtf8(Trim(info.Frame(TFrame::Artist)));
    tag.FAlbum = Win1252ToUtf8(Trim(info.Frame(TFrame::Album)));
    tag.FTrack = ParseTrack(info.Frame(TFrame::Track));
    tag.FYear = Win1252ToUtf8(Trim(info.Frame(TFrame::Year)));
    tag.FGenre = Win1252ToUtf8(ParseGenre(info.Frame(TFrame::Genre)));
    // Encoding byte and language go; an empty description falls away with the trim.
    const std::string& comment = info.Frame(TFrame::Comment);
    tag.FComment =
        comment.size() > 4 ? Win1252ToUtf8(Trim(std::string_view(comment).substr(4))) : "";
  }
};

namespace {

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
  return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
         std::uint32_t(bytes[2]) << 8 | std::uint32_t(bytes[3]);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ReadHeader(TByteSource& source, TTagInfo& info) {
  info.FileSize = source.Size();
  return source.ReadAt(0, info.Header.data(), HeaderSize) == HeaderSize;
}

std::int64_t GetTagSize(const TTagInfo& info) {
  const auto& h = info.Header;
  const std::int64_t size = (std::int64_t(h[6]) << 21) + (std::int64_t(h[7]) << 14) +
                            (std::int64_t(h[8]) << 7) + h[9] + std::int64_t(HeaderSize);
  return size > info.FileSize ? 0 : size;
}

void ReadFrames(TByteSource& source, TTagInfo& info) {
  const std::int64_t tagEnd = GetTagSize(info);
  std::int64_t position = HeaderSize;
  while (position < tagEnd && position < info.FileSize) {
    std::uint8_t header[FrameHeaderSize];
    if (source.ReadAt(position, header, FrameHeaderSize) != FrameHeaderSize) return;
    if (header[0] < 'A' || header[0] > 'Z') return;
    const std::uint32_t size = BigEndian32(header + 4);
    std::string body(std::min<std::size_t>(size, FrameBodyCap), '\0');
    const std::int64_t bodyStart = position + std::int64_t(FrameHeaderSize);
    if (source.ReadAt(bodyStart, reinterpret_cast<std::uint8_t*>(body.data()), body.size()) !=
        body.size()) {
      return;
    }
    StoreFrame(std::string_view(reinterpret_cast<const char*>(header), 4), std::move(body), info);
    position = bodyStart + size;  // 64-bit: a size near 2^32 cannot wrap
  }
}

void StoreFrame(std::string_view id, std::string text, TTagInfo& info) {
  const auto found = std::find(FrameIds.begin(), FrameIds.end(), id);
  if (found != FrameIds.end()) info.Frames[std::size_t(found - FrameIds.begin())] = std::move(text);
}

std::int64_t ParseTrack(std::string_view text) {
  const std::string trimmed = Trim(text);
  std::string_view number = std::string_view(trimmed).substr(0, trimmed.find('/'));
  bool negative = false;
  if (!number.empty() && (number[0] == '+' || number[0] == '-')) {
    negative = number[0] == '-';
    number.remove_prefix(1);
  }
  int base = 10;
  if (!number.empty() && (number[0] == '$' || number[0] == 'x' || number[0] == 'X')) {
    base = 16;
    number.remove_prefix(1);
  } else if (number.size() >= 2 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X')) {
    base = 16;
    number.remove_prefix(2);
  }
  if (number.empty() || negative) return 0;
  std::int64_t value = 0;
  for (const char c : number) {
    const int digit = HexDigit(c);
    if (digit < 0 || digit >= base) return 0;
    // A number beyond the 64-bit range cannot be kept; it counts as no number.
    if (value > (INT64_MAX - digit) / base) return 0;
    value = value * base + digit;
  }
  return value;
}

std::string ParseGenre(std::string_view text) {
  const std::string trimmed = Trim(text);
  const std::size_t close = trimmed.rfind(')');
  return close == std::string::npos ? trimmed : trimmed.substr(close + 1);
}

bool ParseID3v2(TByteSource& source, TID3v2& tag) {
  tag.Clear();
  TTagInfo info;
  if (!ReadHeader(source, info)) return false;
  if (!std::equal(info.Header.begin(), info.Header.begin() + 3, "ID3")) return true;
  const std::int64_t size = GetTagSize(info);
  TID3v2Access::Fill(tag, info, size);
  if (info.Header[3] != 3 || size == 0) return true;
  ReadFrames(source, info);
  TID3v2Access::FillTexts(tag, info);
  return true;
}
