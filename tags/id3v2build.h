#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tags/taginfo.h"

class TID3v2;

// The frames of a version 2.3 tag need at most 2^28 - 1 bytes: the header's length field
// holds four 7-bit groups.
constexpr std::int64_t MaxFramesLength = (std::int64_t(1) << 28) - 1;

// "ID3", version 3.0, no flags, and the length of the non-empty frames, n + 11 bytes each, in
// four 7-bit groups, most significant first.
void BuildHeader(TTagInfo& info);

// The bytes of the new tag: header, then each non-empty frame in FrameIds order with its size
// (text + 1, big-endian), zero flags, encoding byte 0 (ISO-8859-1) and the text; no padding.
// No value when the frames do not fit the header's length field.
std::optional<std::string> BuildTag(const TID3v2& tag);
