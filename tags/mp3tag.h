#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "tags/fileidentity.h"
#include "tags/id3v2.h"

class TByteSource;
class TPosixFile;

// The tag of one MP3 file, hiding whether it is held as ID3v2 or as the ID3v1 block at the end
// of the file. A file with an ID3v2 tag is always handled through it; otherwise the 128-byte
// block is used, and a file with neither gets a block as soon as a field is set. Field values are
// UTF-8 texts of at most 255 characters.
class TMP3Tag {
 public:
  TMP3Tag() = default;

  // Loads the tag of the file. Throws TFileOpenError when no ID3v2 tag was found and the file
  // cannot be opened for reading with sharing denied.
  void ReadTag(const std::string& path);

  // Writes the tag back if Modified, into the file that was read only: a file replaced since
  // (another file or a symbolic link under the name) or whose kind of tag changed (none,
  // version 1, version 2) is not written. An ID3v1 block whose file cannot be opened or written
  // throws TFileOpenError, TFileChangedError for a changed file (Modified stays true, no partial
  // block stays behind); a failed ID3v2 rewrite is reported through the tag reporter instead,
  // with its reason.
  void WriteTag();

  bool HasTag() const;
  bool IsVersion2() const { return Version2Tag != nullptr; }
  void ConvertToVersion2();

  // Field access by ID3v1 block offset (3, 33, 63, 93, 97) and width (30 or 4).
  std::string GetField(std::uint8_t offset, std::uint8_t width);
  void SetField(std::uint8_t offset, std::uint8_t width, const std::string& text);
  void SetTagMarker();

  std::string GetTitle();
  std::string GetArtist();
  std::string GetAlbum();
  std::string GetYear();  // at most 4 characters
  std::string GetComment();
  void SetTitle(const std::string& text);
  void SetArtist(const std::string& text);
  void SetAlbum(const std::string& text);
  void SetYear(const std::string& text);
  void SetComment(const std::string& text);

  // The tag counts as valid: HasTag and a non-empty title.
  bool HasTitle() const { return FHasTitle; }
  // A field was set since the last ReadTag or successful WriteTag.
  bool Modified() const { return FModified; }
  // The whole path the file was read with; every later operation uses it.
  const std::string& FullPath() const { return FFullPath; }
  // The file carried the read-only attribute (owner write bit clear) when ReadTag opened it.
  bool ReadOnly() const { return FReadOnly; }

 private:
  void LoadBlock(TPosixFile& file, TByteSource& source);
  void StoreBlock();
  void SaveVersion2();
  // HasTag and a non-empty title as GetTitle returns it.
  bool TitleShown();
  // The field setters: SetField only when the text differs from the current value.
  void SetChanged(std::uint8_t offset, std::uint8_t width, const std::string& text);

  std::array<std::uint8_t, 128> Block{};
  bool FHasTitle = false;
  bool FReadOnly = false;
  bool FModified = false;
  bool EndsInBlock = false;  // the file ended in an ID3v1 block when read or last stored
  // The block's fields set since the read, by bit (title, artist, album, year, comment; the
  // last bit for any other range): a store writes these into the block the file holds then.
  std::uint8_t BlockFieldsSet = 0;
  TSaveExpectation Saved;  // the file as read or last written, and its kind of tag
  std::string FFullPath;
  std::unique_ptr<TID3v2> Version2Tag;
};
