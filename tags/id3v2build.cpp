#include "tags/id3v2build.h"

#include "tags/id3v2.h"
#include "tags/textcodec.h"

namespace {

std::int64_t FramesLength(const TTagInfo& info) {
  std::int64_t sum = 0;
  for (const std::string& text : info.Frames) {
    if (!text.empty()) sum += std::int64_t(text.size()) + 11;
  }
  return sum;
}

TTagInfo FramesOf(const TID3v2& tag) {
  TTagInfo info;
  // ISO-8859-1 frames holding Windows-1252 bytes.
  info.Frame(TFrame::Title) = Utf8ToWin1252(tag.Title());
  info.Frame(TFrame::Artist) = Utf8ToWin1252(tag.Artist());
  info.Frame(TFrame::Album) = Utf8ToWin1252(tag.Album());
  if (tag.Track() != 0) info.Frame(TFrame::Track) = std::to_string(tag.Track());
  info.Frame(TFrame::Year) = Utf8ToWin1252(tag.Year());
  info.Frame(TFrame::Genre) = Utf8ToWin1252(tag.Genre());
  // Language "eng" and an empty content description before the text.
  if (!tag.Comment().empty())
    info.Frame(TFrame::Comment) = std::string("eng\0", 4) + Utf8ToWin1252(tag.Comment());
  return info;
}

void AppendBigEndian32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += char((value >> shift) & 0xFF);
}

}  // namespace

void BuildHeader(TTagInfo& info) {
  const std::int64_t sum = FramesLength(info);
  info.Header = {'I',
                 'D',
                 '3',
                 3,
                 0,
                 0,
                 std::uint8_t((sum >> 21) & 0x7F),
                 std::uint8_t((sum >> 14) & 0x7F),
                 std::uint8_t((sum >> 7) & 0x7F),
                 std::uint8_t(sum & 0x7F)};
}

std::optional<std::string> BuildTag(const TID3v2& tag) {
  TTagInfo info = FramesOf(tag);
  const std::int64_t length = FramesLength(info);
  if (length > MaxFramesLength) return std::nullopt;
  BuildHeader(info);
  std::string out(info.Header.begin(), info.Header.end());
  out.reserve(std::size_t(length) + HeaderSize);
  for (std::size_t i = 0; i < FrameCount; ++i) {
    const std::string& text = info.Frames[i];
    if (text.empty()) continue;
    out += FrameIds[i];
    AppendBigEndian32(out, std::uint32_t(text.size() + 1));
    out.append(3, '\0');  // two flag bytes, encoding byte
    out += text;
  }
  return out;
}
