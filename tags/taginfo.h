#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The seven frames the tag keeps, in the order that binds them to the fields and in which
// they are written.
enum class TFrame : std::uint8_t { Title, Artist, Album, Track, Year, Genre, Comment };
constexpr std::size_t FrameCount = 7;
constexpr std::array<std::string_view, FrameCount> FrameIds = {"TIT2", "TPE1", "TALB", "TRCK",
                                                               "TYER", "TCON", "COMM"};

constexpr std::size_t HeaderSize = 10;
constexpr std::size_t FrameHeaderSize = 10;
// Only the first 250 bytes of a frame body are read; longer texts come back cut.
constexpr std::size_t FrameBodyCap = 250;

// The working record of one read or one write of an ID3v2 tag.
struct TTagInfo {
  std::array<std::uint8_t, HeaderSize> Header{};
  std::int64_t FileSize = 0;
  // Reading: each frame's raw body, encoding byte first. Writing: the text after the encoding
  // byte; an empty text means the frame is not written.
  std::array<std::string, FrameCount> Frames;

  std::string& Frame(TFrame frame) { return Frames[std::size_t(frame)]; }
  const std::string& Frame(TFrame frame) const { return Frames[std::size_t(frame)]; }
};
