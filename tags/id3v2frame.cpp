#include "tags/id3v2frame.h"

#include <zlib.h>

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

// The bytes the format flags put in front of the content: in 2.3 the inflated size of
// compressed data, then a group byte; in 2.4 a group byte, then a data length. No value when
// the content cannot be read at all (encrypted).
std::optional<std::size_t> PrefixLength(std::uint16_t flags, std::uint8_t version) {
  if (version == 3) {
    if (flags & Encrypted23) return std::nullopt;
    return ((flags & Compressed23) ? 4 : 0) + ((flags & Grouped23) ? 1 : 0);
  }
  if (version == 4) {
    if (flags & Encrypted24) return std::nullopt;
    // Compressed data always carries its data length, whether or not a writer set that flag.
    return ((flags & Grouped24) ? 1 : 0) + ((flags & (DataLength24 | Compressed24)) ? 4 : 0);
  }
  return 0;
}

// The zlib stream inflated, at most `limit` bytes of it. No value when it is not a valid
// stream or inflates beyond MaxInflatedContent.
std::optional<std::string> Inflate(std::string_view data, std::size_t limit) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  std::string out;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = uInt(std::min<std::size_t>(data.size(), UINT32_MAX));
  const std::size_t cap = std::min(limit, MaxInflatedContent);
  int result = Z_OK;
  while (result == Z_OK && out.size() < cap + 1) {
    const std::size_t before = out.size();
    out.resize(std::min(cap + 1, std::max<std::size_t>(before * 2, 4096)));
    stream.next_out = reinterpret_cast<Bytef*>(out.data() + before);
    stream.avail_out = uInt(out.size() - before);
    result = inflate(&stream, Z_NO_FLUSH);
    out.resize(out.size() - stream.avail_out);
  }
  inflateEnd(&stream);
  if (result != Z_STREAM_END && result != Z_OK) return std::nullopt;
  if (out.size() > cap) {
    if (cap == MaxInflatedContent) return std::nullopt;
    out.resize(cap);
  } else if (result != Z_STREAM_END) {
    return std::nullopt;  // the stream is cut short
  }
  return out;
}

}  // namespace

std::uint16_t StatusFlags(std::uint16_t flags, std::uint8_t version) {
  if (version == 3) return flags & Status23;
  if (version == 4) return flags & Status24;
  return 0;
}

std::optional<std::string> FrameContent(std::string body, std::uint16_t flags, std::uint8_t version,
                                        std::size_t limit) {
  const std::optional<std::size_t> prefix = PrefixLength(flags, version);
  if (!prefix) return std::nullopt;
  if (FrameUnsynchronised(flags, version)) body = UndoUnsync(body);
  body.erase(0, std::min(*prefix, body.size()));
  if (FrameCompressed(flags, version)) return Inflate(body, limit);
  return body;
}

bool FrameUnsynchronised(std::uint16_t flags, std::uint8_t version) {
  return version == 4 && (flags & Unsynchronised24);
}

bool FrameCompressed(std::uint16_t flags, std::uint8_t version) {
  return (version == 3 && (flags & Compressed23)) || (version == 4 && (flags & Compressed24));
}

std::optional<std::string_view> FrameContentView(std::string_view body, std::uint16_t flags,
                                                 std::uint8_t version) {
  const std::optional<std::size_t> prefix = PrefixLength(flags, version);
  if (!prefix || FrameCompressed(flags, version)) return std::nullopt;
  return body.substr(std::min(*prefix, body.size()));
}
