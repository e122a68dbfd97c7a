#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "tags/id3v2fields.h"

class TByteSource;
class TID3v2;

// Clears the tag and fills it from the ID3v2 tag at the start of the bytes, reading only the
// frames of the seven fields; the others are stepped over by their size. Title, artist, album,
// track and genre come from the last frame of their id, the year likewise (a 2.4 tag's "TDRC"
// gives its first four characters), the comment from the first comment frame with an empty
// description. A compressed frame is inflated; an encrypted one reads as empty. False when
// fewer than ten bytes exist.
bool ParseID3v2(TByteSource& source, TID3v2& tag);

// The longest text a listing keeps of a field, in bytes of UTF-8: a row can show it whole, and a
// tag that declares hundreds of megabytes of text costs a scan no more than this. A longer text
// is cut at a character and marked, so that nothing edits what was never shown.
constexpr std::size_t MaxListedText = 65535;

// What a read of the texts found: whether a tag exists, its major version and extent, and the
// texts of the fields asked for (the track and genre as stored). A reader of many files passes
// the same object to every read: its strings keep their room, so most texts cost no allocation.
struct TID3v2Texts {
  bool Exists = false;
  std::uint8_t Version = 0;
  std::int64_t Size = 0;
  std::array<std::string, FieldCount> Texts;  // by field
  std::uint8_t Cut = 0;  // a bit per field (1 << field): the text was longer than MaxListedText
};

// The fields of a read, a bit per field (1 << field).
constexpr std::uint8_t EveryField = (1u << FieldCount) - 1;

// The frame walk of ParseID3v2, reading the frames of the fields in `fields` only; the other
// texts come back empty. Memory stays bounded whatever the tag declares. False when fewer than
// ten bytes exist; a read that fails throws.
bool ReadID3v2Texts(TByteSource& source, TID3v2Texts& texts, std::uint8_t fields = EveryField);

// The track number of a track text: the trimmed part before the first "/", as a decimal or
// "$"/"x"/"0x" hexadecimal integer. Empty, negative, out of range or not a number gives 0.
std::int64_t ParseTrack(std::string_view text);

// A genre text, trimmed, without everything up to its last ")".
std::string ParseGenre(std::string_view text);
