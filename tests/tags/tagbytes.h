#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/fields.h"
#include "tags/id3v2parse.h"
#include "tags/rewrite.h"

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

// What a listing reads of the tag at the start of the bytes.
class TParsed {
 public:
  explicit TParsed(std::string_view bytes);
  // The bytes held at least ten bytes.
  bool Read() const { return FRead; }
  bool Exists() const { return FTexts.Exists; }
  int Version() const { return FTexts.Version; }
  std::int64_t Size() const { return FTexts.Size; }
  const std::string& Text(TField field) const { return FTexts.Texts[std::size_t(field)]; }
  const std::string& Title() const { return Text(TField::Title); }
  const std::string& Artist() const { return Text(TField::Artist); }
  const std::string& Album() const { return Text(TField::Album); }
  const std::string& Year() const { return Text(TField::Year); }
  const std::string& Comment() const { return Text(TField::Comment); }
  const std::string& Track() const { return Text(TField::Track); }
  const std::string& Genre() const { return Text(TField::Genre); }
  bool IsCut(TField field) const { return (FTexts.Cut & Bit(field)) != 0; }

 private:
  TID3v2Texts FTexts;
  bool FRead = false;
};

// A field set to a text, as an edit does.
struct TSet {
  TField Field;
  std::string Text;
};
// The tag a save makes of the file's bytes after a listing read them and the fields were set.
std::optional<TNewTag> SavedAfter(std::string_view file, const std::vector<TSet>& sets);
// The bytes compressed with zlib, as a compressed frame holds them.
std::string Deflated(std::string_view bytes);
