#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The seven fields an ID3v2 tag is read for. Their order is the order in which a tag this
// program creates holds their frames, and decides where a new frame goes in a kept tag.
enum class TField : std::uint8_t { Title, Artist, Album, Track, Year, Genre, Comment };
constexpr std::size_t FieldCount = 7;

// The id of the frame holding the field in a tag of the major version: "TT2" and its kin in
// version 2.2, "TIT2" in 2.3 and 2.4. The year is "TYE" in 2.2, "TYER" in 2.3, "TDRC" in 2.4.
std::string_view FieldFrameId(TField field, std::uint8_t version);
