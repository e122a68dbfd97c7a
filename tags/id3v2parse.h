#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tags/taginfo.h"

class TByteSource;
class TID3v2;

// Reads the first ten bytes and the length of the data; false when fewer than ten exist.
bool ReadHeader(TByteSource& source, TTagInfo& info);

// The offset just past the tag: the header's four length bytes taken whole (7 bits each, no
// bits masked off) plus ten; 0 when that lies beyond the end of the data.
std::int64_t GetTagSize(const TTagInfo& info);

// Walks the frames from offset 10 to the tag's end, storing the known ones. Stops at a frame
// id not starting with 'A'..'Z' (padding, extended header) and at a frame cut short by the
// end of the data, which is not stored; the frames before it count.
void ReadFrames(TByteSource& source, TTagInfo& info);

// Keeps the raw text of a known frame; a later frame with the same id wins.
void StoreFrame(std::string_view id, std::string text, TTagInfo& info);

// The track number of a "TRCK" text: the trimmed part before the first "/", as a decimal or
// "$"/"x"/"0x" hexadecimal integer. Empty, negative, out of range or not a number gives 0.
std::int64_t ParseTrack(std::string_view text);

// A "TCON" text, trimmed, without everything up to its last ")".
std::string ParseGenre(std::string_view text);

// Clears the tag and fills it from the bytes; false when fewer than ten bytes exist.
bool ParseID3v2(TByteSource& source, TID3v2& tag);
