#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "tags/fileidentity.h"
#include "tags/id3v1block.h"
#include "tags/packedstrings.h"

// The tag of one MP3 file, hiding whether it is held as ID3v2 or as the ID3v1 block at the end
// of the file. A file with an ID3v2 tag is always handled through it; otherwise the 128-byte
// block is used, and a file with neither gets a block as soon as a field is set. Field values are
// UTF-8 texts of at most 255 characters.
//
// A long list holds one object per file, so each keeps only what its file needs: its path and,
// for an ID3v2 tag, the five values in one allocation; the block only for a file that has one
// (or gets one); the identity and kind of tag a save checks; a few flags.
class TMP3Tag {
 public:
  TMP3Tag() = default;

  // Loads the tag of the file. Throws TFileOpenError when no ID3v2 tag was found and the file
  // cannot be opened for reading with sharing denied; the object then keeps what it held.
  void ReadTag(const std::string& path);
  // The same for the file `name` in the open folder `dirFd`, whose whole path is `path`: a scan
  // that holds the folder open spares the system the walk along the path for every file.
  void ReadTag(int dirFd, const char* name, const std::string& path);

  // Writes the tag back if Modified, into the file that was read only: a file replaced since
  // (another file or a symbolic link under the name) or whose kind of tag changed (none,
  // version 1, version 2) is not written. An ID3v1 block whose file cannot be opened or written
  // throws TFileOpenError, TFileChangedError for a changed file (Modified stays true, no partial
  // block stays behind); a failed ID3v2 rewrite is reported through the tag reporter instead,
  // with its reason.
  void WriteTag();

  bool HasTag() const;
  bool IsVersion2() const { return FVersion2; }
  void ConvertToVersion2();

  // Field access by ID3v1 block offset (3, 33, 63, 93, 97) and width (30 or 4).
  std::string GetField(std::uint8_t offset, std::uint8_t width) const;
  void SetField(std::uint8_t offset, std::uint8_t width, const std::string& text);
  void SetTagMarker();

  std::string GetTitle() const;
  std::string GetArtist() const;
  std::string GetAlbum() const;
  std::string GetYear() const;  // at most 4 characters
  std::string GetComment() const;

  static constexpr std::size_t ShownFieldCount = 5;
  using TShownFields = std::array<std::string_view, ShownFieldCount>;
  // The five values as the getters give them, in their order, without a copy of each: views of
  // the object's own texts for an ID3v2 tag; for a block, of its texts converted into `buffer`.
  // Valid until the object or the buffer changes.
  TShownFields ShownFields(std::string& buffer) const;

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
  std::string FullPath() const { return std::string(FStrings[PathIndex]); }
  // The file carried the read-only attribute (owner write bit clear) when ReadTag opened it.
  bool ReadOnly() const { return FReadOnly; }

 private:
  // FStrings holds the path, then for an ID3v2 tag the five values (Title, Artist, Album, Year,
  // Comment) as read or set.
  static constexpr std::size_t PathIndex = 0;

  void StoreBlock();
  void SaveVersion2();
  // HasTag and a non-empty title as GetTitle returns it.
  bool TitleShown() const;
  // The field setters: SetField only when the text differs from the current value.
  void SetChanged(std::uint8_t offset, std::uint8_t width, const std::string& text);
  // The block, made empty when the object has none yet.
  TID3v1Block& BlockToSet();

  TPackedStrings FStrings;
  std::unique_ptr<TID3v1Block> Block;  // only without ID3v2 tag: the block as read, or a new one
  TSaveExpectation Saved;              // the file as read or last written, and its kind of tag
  bool FVersion2 = false;
  bool FHasTitle = false;
  bool FReadOnly = false;
  bool FModified = false;
  // The block's fields set since the read, by bit (title, artist, album, year, comment; the
  // last bit for any other range): a store writes these into the block the file holds then.
  std::uint8_t BlockFieldsSet = 0;
  // The ID3v2 fields set since the read or the last save, by bit in the same order.
  std::uint8_t Version2FieldsSet = 0;
};
