#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The integer forms of ID3v2: plain big-endian, and sync-safe (four 7-bit groups, most
// significant first, every byte below 0x80) as the tag header and version 2.4 frames use.
std::uint32_t BigEndian32(const std::uint8_t* bytes);
std::uint32_t BigEndian24(const std::uint8_t* bytes);
// The low 7 bits of each byte; the high bits are ignored.
std::uint32_t SyncSafe32(const std::uint8_t* bytes);
void AppendBigEndian32(std::string& out, std::uint32_t value);
// Values up to 2^28 - 1.
void AppendSyncSafe32(std::string& out, std::uint32_t value);

// Unsynchronisation put a zero byte behind every 0xFF; this takes each such zero out again.
std::string UndoUnsync(std::string_view bytes);
