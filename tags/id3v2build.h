#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tags/id3v2frame.h"

// The frames of a tag take at most 2^28 - 1 bytes: the header's length field holds four 7-bit
// groups.
constexpr std::int64_t MaxFramesLength = (std::int64_t(1) << 28) - 1;

// The bytes of a version 2.3 or 2.4 tag holding the frames in their order: "ID3", the major
// version, revision 0, no flags (no unsynchronisation, extended header or footer), the length
// of the frames in four 7-bit groups, then each frame's id, size (2.3: plain big-endian, 2.4:
// sync-safe), flags and body. No padding. No value when the frames do not fit the length field.
std::optional<std::string> BuildTag(std::uint8_t version, const std::vector<TID3v2Frame>& frames);

// The tag made `size` bytes long by zero padding behind its frames, its length field counting
// the padding: what a tag written into the room of an older one holds. No value when the tag is
// longer than that, or the size does not fit the length field.
std::optional<std::string> PaddedTag(std::string tag, std::int64_t size);

// The padding a tag written by a rewrite gets, so that the next edits of a file of this size fit
// in place: 1 KiB and a hundredth of the file, at most 8 KiB in all.
std::int64_t PaddingFor(std::int64_t fileSize);
