#include "tags/id3v2bytes.h"

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
  return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
         std::uint32_t(bytes[2]) << 8 | std::uint32_t(bytes[3]);
}

std::uint32_t BigEndian24(const std::uint8_t* bytes) {
  return std::uint32_t(bytes[0]) << 16 | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]);
}

std::uint32_t SyncSafe32(const std::uint8_t* bytes) {
  return std::uint32_t(bytes[0] & 0x7F) << 21 | std::uint32_t(bytes[1] & 0x7F) << 14 |
         std::uint32_t(bytes[2] & 0x7F) << 7 | std::uint32_t(bytes[3] & 0x7F);
}

void AppendBigEndian32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += char((value >> shift) & 0xFF);
}

void AppendSyncSafe32(std::string& out, std::uint32_t value) {
  for (int shift = 21; shift >= 0; shift -= 7) out += char((value >> shift) & 0x7F);
}

std::string UndoUnsync(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += bytes[i];
    if (bytes[i] == '\xFF' && i + 1 < bytes.size() && bytes[i + 1] == '\0') ++i;
  }
  return out;
}
