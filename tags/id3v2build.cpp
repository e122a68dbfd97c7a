#include "tags/id3v2build.h"

#include <algorithm>

#include "tags/id3v2bytes.h"

std::optional<std::string> BuildTag(std::uint8_t version, const std::vector<TID3v2Frame>& frames) {
  constexpr std::int64_t FrameHeaderSize = 10;
  std::int64_t length = 0;
  for (const TID3v2Frame& frame : frames) {
    length += FrameHeaderSize + std::int64_t(frame.Body.size());
    if (length > MaxFramesLength) return std::nullopt;
  }
  std::string out = {'I', 'D', '3', char(version), '\0', '\0'};
  out.reserve(std::size_t(length) + 10);
  AppendSyncSafe32(out, std::uint32_t(length));
  for (const TID3v2Frame& frame : frames) {
    out += frame.Id;
    const auto size = std::uint32_t(frame.Body.size());
    if (version == 4) {
      AppendSyncSafe32(out, size);
    } else {
      AppendBigEndian32(out, size);
    }
    out += char(frame.Flags >> 8);
    out += char(frame.Flags & 0xFF);
    out += frame.Body;
  }
  return out;
}

std::optional<std::string> PaddedTag(std::string tag, std::int64_t size) {
  constexpr std::int64_t HeaderSize = 10;
  if (std::int64_t(tag.size()) > size || tag.size() < HeaderSize ||
      size - HeaderSize > MaxFramesLength)
    return std::nullopt;
  std::string length;
  AppendSyncSafe32(length, std::uint32_t(size - HeaderSize));
  tag.replace(6, 4, length);
  tag.resize(std::size_t(size), '\0');
  return tag;
}

std::int64_t PaddingFor(std::int64_t fileSize) {
  return std::min<std::int64_t>(1024 + fileSize / 100, 8 * 1024);
}
