#include "tags/id3v2frame.h"

#include <algorithm>
#include <utility>

#include "tags/id3v2bytes.h"

namespace {

// Version 2.3: %abc00000 %ijk00000, version 2.4: %0abc0000 %0h00kmnp.
constexpr std::uint16_t Status23 = 0xE000;
constexpr std::uint16_t Compressed23 = 0x0080;
constexpr std::uint16_t Encrypted23 = 0x0040;
constexpr std::uint16_t Grouped23 = 0x0020;
constexpr std::uint16_t Status24 = 0x7000;
constexpr std::uint16_t Grouped24 = 0x0040;
constexpr std::uint16_t Compressed24 = 0x0008;
constexpr std::uint16_t Encrypted24 = 0x0004;
constexpr std::uint16_t Unsynchronised24 = 0x0002;
constexpr std::uint16_t DataLength24 = 0x0001;

// The bytes the format flags put in front of the content: a group byte, a data length. No value
// when the content cannot be read at all (compressed, encrypted).
std::optional<std::size_t> PrefixLength(std::uint16_t flags, std::uint8_t version) {
  if (version == 3) {
    if (flags & (Compressed23 | Encrypted23)) return std::nullopt;
    return (flags & Grouped23) ? 1 : 0;
  }
  if (version == 4) {
    if (flags & (Compressed24 | Encrypted24)) return std::nullopt;
    // The additions come in the order of their flags: group byte, then data length.
    return ((flags & Grouped24) ? 1 : 0) + ((flags & DataLength24) ? 4 : 0);
  }
  return 0;
}

}  // namespace

std::uint16_t StatusFlags(std::uint16_t flags, std::uint8_t version) {
  if (version == 3) return flags & Status23;
  if (version == 4) return flags & Status24;
  return 0;
}

std::optional<std::string> FrameContent(std::string body, std::uint16_t flags,
                                        std::uint8_t version) {
  const std::optional<std::size_t> prefix = PrefixLength(flags, version);
  if (!prefix) return std::nullopt;
  if (FrameUnsynchronised(flags, version)) body = UndoUnsync(body);
  body.erase(0, std::min(*prefix, body.size()));
  return body;
}

bool FrameUnsynchronised(std::uint16_t flags, std::uint8_t version) {
  return version == 4 && (flags & Unsynchronised24);
}

std::optional<std::string_view> FrameContentView(std::string_view body, std::uint16_t flags,
                                                 std::uint8_t version) {
  const std::optional<std::size_t> prefix = PrefixLength(flags, version);
  if (!prefix) return std::nullopt;
  return body.substr(std::min(*prefix, body.size()));
}
