#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Byte builders for tag fixtures.

// A ten-byte ID3v2 header: "ID3", major version, revision 0, the flags, and the length of what
// follows in four 7-bit groups.
std::string TagHeader(std::uint8_t version, std::uint32_t length, std::uint8_t flags = 0);
// A version 2.3 frame: id, body size (big-endian, plain), flags, body.
std::string Frame(std::string_view id, std::string_view body, std::uint16_t flags = 0);
// A version 2.4 frame: id, body size (sync-safe), flags, body.
std::string Frame24(std::string_view id, std::string_view body, std::uint16_t flags = 0);
// A version 2.2 frame: three-byte id, three-byte size, body.
std::string Frame22(std::string_view id, std::string_view body);
// A whole version 2.3 tag around the given frames and padding.
std::string Tag(std::string_view frames, std::size_t padding = 0);
// A whole tag of any version around the given frames.
std::string TagOf(std::uint8_t version, std::string_view frames, std::uint8_t flags = 0);
// A 128-byte ID3v1 block from the five texts (each zero-filled to its width) and genre.
std::string Block(std::string_view title, std::string_view artist, std::string_view album,
                  std::string_view year, std::string_view comment, std::uint8_t genre);
// Some bytes that stand for audio.
std::string Audio(std::size_t size);
