#pragma once

#include <cstdint>
#include <string>

// The ID3v2 tag at the start of an MP3 file, held in memory. Reads version 2.3 tags and keeps
// seven frames (TIT2, TPE1, TALB, TRCK, TYER, TCON, COMM); writes them back as a new 2.3 tag by
// rewriting the whole file through "<name>~". Texts are UTF-8; the frames hold them as
// Windows-1252.
class TID3v2 {
 public:
  TID3v2() = default;

  bool Exists() const { return FExists; }
  std::uint8_t Version() const { return FVersion; }
  std::int64_t Size() const { return FSize; }
  const std::string& Title() const { return FTitle; }
  const std::string& Artist() const { return FArtist; }
  const std::string& Album() const { return FAlbum; }
  std::int64_t Track() const { return FTrack; }
  const std::string& Year() const { return FYear; }
  const std::string& Genre() const { return FGenre; }
  const std::string& Comment() const { return FComment; }

  // Back to the empty state: Exists false, numbers 0, texts empty.
  void Clear();

  // Clears the object and fills it from the file's ID3v2 tag. False only when the first ten
  // bytes cannot be read; Exists tells whether a tag was found. Never throws.
  bool ReadFromFile(const std::string& path);

  // Replaces any ID3v2 tag at the start of the file with a 2.3 tag of the current values.
  // False on any failure, the file then keeping its content. Never throws.
  bool WriteToFile(const std::string& path) const;

  // Each stores the text with its trailing characters 0x00 to 0x20 removed.
  void SetTitle(const std::string& text);
  void SetArtist(const std::string& text);
  void SetAlbum(const std::string& text);
  void SetYear(const std::string& text);
  void SetComment(const std::string& text);

 private:
  friend struct TID3v2Access;  // lets the byte-level parser fill a tag without file I/O

  bool FExists = false;
  std::uint8_t FVersion = 0;
  std::int64_t FSize = 0;
  std::string FTitle;
  std::string FArtist;
  std::string FAlbum;
  std::int64_t FTrack = 0;
  std::string FYear;
  std::string FGenre;
  std::string FComment;
};
