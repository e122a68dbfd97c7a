#include "mp3files.h"

namespace {

std::string Field(const std::string& text, std::size_t width) {
  std::string field = text.substr(0, width);
  field.resize(width, '\0');
  return field;
}

std::string BigEndian32(std::size_t n) {
  return {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
          static_cast<char>(n)};
}

std::string SyncSafe32(std::size_t n) {
  return {static_cast<char>((n >> 21) & 0x7F), static_cast<char>((n >> 14) & 0x7F),
          static_cast<char>((n >> 7) & 0x7F), static_cast<char>(n & 0x7F)};
}

}  // namespace

std::string AudioBytes() {
  std::string audio("\xFF\xFB\x90\x64", 4);  // an MPEG-1 layer III frame header
  for (int i = 0; i < 600; ++i) audio += static_cast<char>(i * 7);
  return audio;
}

std::string Id3v1File(const std::string& title, const std::string& artist, const std::string& album,
                      const std::string& year, const std::string& comment) {
  return AudioBytes() + "TAG" + Field(title, 30) + Field(artist, 30) + Field(album, 30) +
         Field(year, 4) + Field(comment, 30) + std::string(1, '\x0C');  // genre byte
}

std::string Id3v2File(const std::vector<std::pair<std::string, std::string>>& frames,
                      std::size_t audioSize) {
  std::string body;
  for (const auto& [id, text] : frames) {
    const std::string content = id == "COMM" ? std::string("\0eng\0", 5) + text
                                             : std::string(1, '\0') + text;  // encoding 0
    body += id + BigEndian32(content.size()) + std::string(2, '\0') + content;
  }
  body += std::string(64, '\0');  // padding
  std::string audio = AudioBytes();
  while (audio.size() < audioSize) audio += audio;
  return "ID3" + std::string("\x03\x00\x00", 3) + SyncSafe32(body.size()) + body + audio;
}
