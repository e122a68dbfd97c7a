#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Texts of the tag layer are UTF-8. These convert them to and from the encodings tags hold, and
// count and cut them by character (code point), since field limits count characters, not bytes.

// Every byte is below 0x80: the text reads the same in every encoding here, and most do.
bool IsAscii(std::string_view bytes);

// Windows-1252 bytes as UTF-8. The table is complete and lossless: the five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same
// number. ID3v1 blocks and ISO-8859-1 frames are read through it, since files this program
// wrote hold Windows-1252 bytes there.
std::string Win1252ToUtf8(std::string_view bytes);

// The text in Windows-1252; a character the code page cannot hold becomes "?".
std::string Utf8ToWin1252(std::string_view text);

// Every character of the text has a Windows-1252 byte.
bool FitsWin1252(std::string_view text);

// Every character of the text is an ISO-8859-1 byte that reads back as itself: U+0080 to U+009F
// are not, except the five that Windows-1252 leaves undefined, since those bytes read as
// Windows-1252.
bool FitsLatin1(std::string_view text);

// The text as ISO-8859-1 bytes; a character that does not fit becomes "?".
std::string Utf8ToLatin1(std::string_view text);

enum class TUtf16Order { LittleEndian, BigEndian };

// UTF-16 code units (no byte-order mark) as UTF-8. An unpaired surrogate becomes U+FFFD; an odd
// last byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, TUtf16Order order);

// The text as UTF-16 code units, without a byte-order mark.
std::string Utf8ToUtf16(std::string_view text, TUtf16Order order);

// The bytes as valid UTF-8: each byte that does not belong to a well-formed sequence (overlong
// forms and surrogates included) becomes U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

// Win1252ToUtf8, Utf16ToUtf8 and SanitizeUtf8 appending to `out`, whose room a reader of many
// texts reuses.
void AppendWin1252AsUtf8(std::string& out, std::string_view bytes);
void AppendUtf16AsUtf8(std::string& out, std::string_view bytes, TUtf16Order order);
void AppendSanitizedUtf8(std::string& out, std::string_view bytes);

// The number of characters of a UTF-8 text.
std::size_t CharacterCount(std::string_view text);

// The first `count` characters of a UTF-8 text (all of it when it is shorter).
std::string_view CutToCharacters(std::string_view text, std::size_t count);
