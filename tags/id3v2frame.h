#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One frame of an ID3v2 tag as it is stored: its id (three characters in a version 2.2 tag,
// four in 2.3 and 2.4), its two flag bytes (none in 2.2) and its body, every byte behind the
// frame header. Tag-level unsynchronisation is already undone; a 2.4 frame's own
// unsynchronisation, compression or encryption is not.
struct TID3v2Frame {
  std::string Id;
  std::uint16_t Flags = 0;
  std::string Body;

  bool operator==(const TID3v2Frame&) const = default;
};

// The status flags of a frame (tag and file alter preservation, read-only), without the format
// flags that describe how its body is stored.
std::uint16_t StatusFlags(std::uint16_t flags, std::uint8_t version);

// The most a compressed frame's content is inflated to: a frame that claims more is not read.
constexpr std::size_t MaxInflatedContent = std::size_t(16) << 20;

// What the frame says once the additions its format flags describe are undone: a 2.4 frame's
// unsynchronisation, its group byte and its data length; a 2.3 frame's group byte and the size
// in front of compressed data; zlib compression, inflated to at most `limit` bytes (a longer
// content comes back cut there). No value for an encrypted frame, nor for a compressed one that
// does not inflate or inflates beyond MaxInflatedContent.
std::optional<std::string> FrameContent(std::string body, std::uint16_t flags, std::uint8_t version,
                                        std::size_t limit = MaxInflatedContent);
// A 2.4 frame carrying its own unsynchronisation: its content must be decoded from its body.
bool FrameUnsynchronised(std::uint16_t flags, std::uint8_t version);
// A compressed frame: its content must be inflated from its body.
bool FrameCompressed(std::uint16_t flags, std::uint8_t version);
// The content of a frame neither compressed nor unsynchronised on its own, as a part of its
// body: no copy. No value for a compressed or encrypted frame.
std::optional<std::string_view> FrameContentView(std::string_view body, std::uint16_t flags,
                                                 std::uint8_t version);
