#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "tags/fields.h"

class TByteSource;

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
  TFieldSet Cut = 0;                          // the fields whose text was longer than MaxListedText
};

// Reads the texts of the fields in `fields` from the ID3v2 tag at the start of the bytes; the
// other texts come back empty. Only the frames of those fields are read, the others are stepped
// over by their size. Title, artist, album, track and genre come from the last frame of their
// id, the year likewise (a 2.4 tag's "TDRC" gives its first four characters), the comment from
// the first comment frame with an empty description. A compressed frame is inflated; an
// encrypted one reads as empty. Memory stays bounded whatever the tag declares. False when fewer
// than ten bytes exist; a read that fails throws.
bool ReadID3v2Texts(TByteSource& source, TID3v2Texts& texts, TFieldSet fields = EveryField);
