#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The ID3v1 block: the last 128 bytes of a file, starting with "TAG", then Title (offset 3),
// Artist (33), Album (63), Year (93, 4 wide), Comment (97) and the genre byte (127). Fields
// are 30 bytes wide unless said otherwise; these rules work on the bytes alone.
using TID3v1Block = std::array<std::uint8_t, 128>;

constexpr std::uint8_t TitleOffset = 3;
constexpr std::uint8_t ArtistOffset = 33;
constexpr std::uint8_t AlbumOffset = 63;
constexpr std::uint8_t YearOffset = 93;
constexpr std::uint8_t CommentOffset = 97;
constexpr std::uint8_t TextWidth = 30;
constexpr std::uint8_t YearWidth = 4;
// Version 1.1 keeps a track number in byte 126, behind a zero byte that ends a comment of at
// most 28 characters; byte 127 numbers the genre in the standard list, 255 meaning none.
constexpr std::uint8_t TrackMarkOffset = 125;
constexpr std::uint8_t TrackOffset = 126;
constexpr std::uint8_t GenreOffset = 127;
constexpr std::uint8_t NoGenre = 255;

// The first three bytes are exactly "TAG" (upper case).
bool HasBlockMarker(const TID3v1Block& block);
// Sets the marker. A block that had none is a new one: its genre byte becomes 255 (no genre),
// since players show 0 as "Blues".
void WriteBlockMarker(TID3v1Block& block);

// The track number of a version 1.1 block; 0 when the block holds none.
std::uint8_t BlockTrack(const TID3v1Block& block);
// Makes the block a version 1.1 block holding the track (0: none): a comment reaching into
// byte 125 is cut to 28 characters.
void SetBlockTrack(TID3v1Block& block, std::uint8_t track);

// The field's bytes up to the first 0 byte (all of them without one), trailing spaces dropped.
// A field reaching past the block is cut at its end.
std::string ReadBlockField(const TID3v1Block& block, std::uint8_t offset, std::uint8_t width);

// Sets the marker, copies at most `width` characters and puts one 0 right behind a shorter
// text; the bytes behind that 0 keep what an earlier, longer text left there.
void WriteBlockField(TID3v1Block& block, std::uint8_t offset, std::uint8_t width,
                     std::string_view text);
