#include "tags/id3v2build.h"

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
