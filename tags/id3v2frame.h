#pragma once

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

// What the frame says once the additions its format flags describe are undone: a 2.4 frame's
// unsynchronisation, its group byte and its data length; a 2.3 frame's group byte. No value for
// a compressed or encrypted frame, whose content cannot be read as text.
std::optional<std::string> FrameContent(std::string body, std::uint16_t flags,
                                        std::uint8_t version);
// A 2.4 frame carrying its own unsynchronisation: its content must be decoded from its body.
bool FrameUnsynchronised(std::uint16_t flags, std::uint8_t version);
// The content of a frame without its own unsynchronisation as a part of its body: no copy. No
// value for a compressed or encrypted frame.
std::optional<std::string_view> FrameContentView(std::string_view body, std::uint16_t flags,
                                                 std::uint8_t version);
