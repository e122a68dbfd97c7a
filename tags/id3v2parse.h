#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TByteSource;
class TID3v2;

// Clears the tag and fills it from the ID3v2 tag at the start of the bytes, reading only the
// frames of the seven fields; the others are stepped over by their size. Title, artist, album,
// track and genre come from the last frame of their id, the year likewise (a 2.4 tag's "TDRC"
// gives its first four characters), the comment from the first comment frame with an empty
// description. A compressed or encrypted frame reads as empty. False when fewer than ten bytes
// exist.
bool ParseID3v2(TByteSource& source, TID3v2& tag);

// The track number of a track text: the trimmed part before the first "/", as a decimal or
// "$"/"x"/"0x" hexadecimal integer. Empty, negative, out of range or not a number gives 0.
std::int64_t ParseTrack(std::string_view text);

// A genre text, trimmed, without everything up to its last ")".
std::string ParseGenre(std::string_view text);
