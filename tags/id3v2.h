#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "tags/id3v2fields.h"
#include "tags/rewrite.h"

class TByteSource;

// The ID3v2 tag at the start of an MP3 file. Reads tags of versions 2.2, 2.3 and 2.4 for seven
// fields, in every text encoding. A save changes only the fields set since the read: it reads
// the tag that is in the file at that moment and replaces, adds or removes the frames of those
// fields alone, keeping every other frame byte for byte and in its order, and writes the tag in
// its own version (a 2.2 tag becomes 2.3). A file without a readable tag gets a new 2.3 tag of
// the five values. Texts are UTF-8.
class TID3v2 {
 public:
  TID3v2() = default;

  bool Exists() const { return FExists; }
  std::uint8_t Version() const { return FVersion; }
  std::int64_t Size() const { return FSize; }
  const std::string& Title() const { return FTitle; }
  const std::string& Artist() const { return FArtist; }
  const std::string& Album() const { return FAlbum; }
  // The track and genre as read, for information: a save never writes them.
  std::int64_t Track() const { return FTrack; }
  const std::string& Year() const { return FYear; }
  const std::string& Genre() const { return FGenre; }
  const std::string& Comment() const { return FComment; }

  // Back to the empty state: Exists false, numbers 0, texts empty, nothing set.
  void Clear();

  // Clears the object and fills it from the file's ID3v2 tag. False only when the first ten
  // bytes cannot be read; Exists tells whether a tag was found. Never throws.
  bool ReadFromFile(const std::string& path);

  // Writes the fields set since the read into the file's tag by rewriting the whole file (see
  // RewriteFile). False on any failure, the file then keeping its content; on success the
  // fields count as unset again. Never throws.
  bool WriteToFile(const std::string& path);

  // The same save, which with `expect` writes only the file that was read, still carrying the
  // kind of tag it carried. Throws TFileChangedError when it is not, TFileOpenError with the
  // reason on any other failure; returns the identity of the file now under the name.
  TFileIdentity Save(const std::string& path, const TSaveExpectation* expect);

  // The tag a save puts in front of the file whose bytes the source holds, and where the rest
  // of the file begins. No value when the source holds fewer than ten bytes or the frames do
  // not fit a tag.
  std::optional<TNewTag> SavedTag(TByteSource& file) const;

  // Each stores the text with its trailing characters 0x00 to 0x20 removed, and marks the
  // field as set.
  void SetTitle(const std::string& text);
  void SetArtist(const std::string& text);
  void SetAlbum(const std::string& text);
  void SetYear(const std::string& text);
  void SetComment(const std::string& text);
  // The same by field, for the five fields shown (Title, Artist, Album, Year, Comment); any other
  // field is left alone.
  void Set(TField field, const std::string& text);
  // Puts the text of one of the five shown fields in as a read would, without marking it as set:
  // for a tag whose texts were kept elsewhere between the read and the save.
  void Load(TField field, std::string text);

 private:
  friend struct TID3v2Access;  // lets the byte-level parser fill a tag without file I/O

  // The member holding one of the five shown fields; none for the others.
  std::string* Shown(TField field);

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
  std::array<bool, FieldCount> FSet{};  // by field: set since the read
};
