#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tags/textcodec.h"

// Texts inside ID3v2 frames. The encoding byte in front of a text says how it is stored:
// 0 ISO-8859-1, 1 UTF-16 with a byte-order mark, 2 UTF-16 big-endian, 3 UTF-8.

// The strings of an encoded text as UTF-8 for display. ISO-8859-1 (and any unknown encoding
// byte) reads as Windows-1252, since files this program wrote hold such bytes there; a UTF-16
// string without a byte-order mark takes the order of the string before it, little-endian for
// the first (`order` says which). UTF-8 is sanitised. Several strings, separated by zero
// characters, are joined with "/"; characters 0x00 to 0x20 are trimmed at both ends.
std::string DecodeText(std::uint8_t encoding, std::string_view bytes,
                       TUtf16Order order = TUtf16Order::LittleEndian);
// The same into `text`, whose room is reused: ASCII texts, most of them, then cost no
// allocation.
void AssignDecodedText(std::string& text, std::uint8_t encoding, std::string_view bytes,
                       TUtf16Order order = TUtf16Order::LittleEndian);

// The text of a text frame's content: its encoding byte, then the text.
std::string ReadFrameText(std::string_view content);
// The same into `text`, whose room is reused: most texts then cost no allocation.
void AssignFrameText(std::string& text, std::string_view content);

// A comment frame's content: encoding byte, three-byte language, description ended by a zero
// character in that encoding, text.
struct TCommentParts {
  std::uint8_t Encoding = 0;
  std::string_view Language;
  bool EmptyDescription = false;  // nothing, or a byte-order mark alone, before the terminator
  std::string_view Text;
  TUtf16Order Order = TUtf16Order::LittleEndian;  // the description's byte order
};
// No value when the content is too short to hold an encoding byte and a language.
std::optional<TCommentParts> SplitComment(std::string_view content);

// The body of a text frame written by this program for a tag of the major version: in 2.3
// (and a tag this program creates) ISO-8859-1 with Windows-1252 bytes when every character
// fits, else UTF-16 with the byte-order mark FF FE; in 2.4 ISO-8859-1 when every character is
// ISO-8859-1, else UTF-8. No terminator follows the text.
std::string TextFrameBody(std::string_view text, std::uint8_t version);

// The body of a comment frame: encoding as for a text frame, the language, an empty
// description (its terminator alone, behind a byte-order mark in UTF-16) and the text.
std::string CommentFrameBody(std::string_view text, std::string_view language,
                             std::uint8_t version);
