// Feeds arbitrary bytes to the ID3v2 reader (versions 2.2, 2.3, 2.4, unsynchronisation, every
// text encoding), to the save (whole frame list, one field changed, rebuilt, read again) and to
// the ID3v1 block rules.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tags/bytesource.h"
#include "tags/id3v1block.h"
#include "tags/id3v2.h"
#include "tags/id3v2convert.h"
#include "tags/fields.h"
#include "tags/id3v2parse.h"
#include "tags/id3v2reader.h"
#include "tags/textcodec.h"
#include "tags/texttrim.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

std::vector<TID3v2Frame> FramesOf(TByteSource& source, std::uint8_t& version) {
  TID3v2Reader reader(source);
  version = reader.Readable() ? reader.Version() : 3;
  std::vector<TID3v2Frame> frames = reader.WholeFrames();
  if (version == 2) {
    for (TID3v2Frame& frame : frames) frame = ConvertFrame(frame);
    version = 3;
  }
  return frames;
}

std::vector<TID3v2Frame> Without(std::vector<TID3v2Frame> frames, std::string_view id) {
  std::erase_if(frames, [&](const TID3v2Frame& frame) { return frame.Id == id; });
  return frames;
}

const std::string* FieldOf(const TID3v2& tag, TField field) {
  switch (field) {
    case TField::Title:
      return &tag.Title();
    case TField::Artist:
      return &tag.Artist();
    case TField::Album:
      return &tag.Album();
    case TField::Year:
      return &tag.Year();
    default:
      return &tag.Comment();
  }
}

void CheckVersion2(std::string_view bytes) {
  TMemorySource source(bytes);
  TID3v2 tag;
  const bool read = ParseID3v2(source, tag);
  Require(read == (bytes.size() >= 10));
  Require(tag.Size() >= 0 && tag.Size() <= std::int64_t(bytes.size()));
  for (const TField field :
       {TField::Title, TField::Artist, TField::Album, TField::Year, TField::Comment}) {
    Require(SanitizeUtf8(*FieldOf(tag, field)) == *FieldOf(tag, field));
  }
  if (!read) return;

  // The save: one field changed, every frame of another id kept as it was.
  const TField fields[] = {TField::Title, TField::Artist, TField::Album, TField::Year,
                           TField::Comment};
  const TField field = fields[std::uint8_t(bytes[0]) % 5];
  const std::string texts[] = {"Fuzz", "Caf\u00e9 \u20ac", "\u041a\u0438\u043d\u043e",
                               "\u65e5\u672c\u8a9e", ""};
  const std::string& text = texts[std::uint8_t(bytes[1]) % 5];
  tag.Set(field, text);
  const std::optional<TNewTag> saved = tag.SavedTag(source);
  Require(saved.has_value());
  Require(saved->RestStart == TID3v2Reader(source).Extent());

  TMemorySource again(saved->Bytes);
  TID3v2 back;
  Require(ParseID3v2(again, back) && back.Exists());
  Require(back.Size() == std::int64_t(saved->Bytes.size()));
  std::uint8_t oldVersion = 0;
  std::uint8_t newVersion = 0;
  const std::vector<TID3v2Frame> before = FramesOf(source, oldVersion);
  const std::vector<TID3v2Frame> after = FramesOf(again, newVersion);
  Require(oldVersion == newVersion && back.Version() == newVersion);
  const std::string_view id = FieldFrameId(field, newVersion);
  Require(Without(before, id) == Without(after, id));
  if (!text.empty()) {
    const std::string shown =
        field == TField::Year && newVersion == 4 ? std::string(CutToCharacters(text, 4)) : text;
    Require(*FieldOf(back, field) == shown);
  }
}

void CheckVersion1(std::string_view bytes) {
  TID3v1Block block{};
  const std::size_t n = std::min(bytes.size(), block.size());
  std::copy_n(bytes.end() - n, n, block.begin());
  // A block that had no marker is new and gets genre 255.
  const std::uint8_t genre = HasBlockMarker(block) ? block[127] : 255;
  const std::string_view text = bytes.substr(0, std::min<std::size_t>(bytes.size(), 40));
  for (const std::uint8_t offset :
       {TitleOffset, ArtistOffset, AlbumOffset, YearOffset, CommentOffset}) {
    const std::uint8_t width = offset == YearOffset ? YearWidth : TextWidth;
    Require(ReadBlockField(block, offset, width).size() <= width);
    WriteBlockField(block, offset, width, text);
    const std::string stored(text.substr(0, std::min<std::size_t>(text.size(), width)));
    const std::string expected = TrimTrailingSpaces(stored.substr(0, stored.find('\0')));
    Require(ReadBlockField(block, offset, width) == expected);
    Require(HasBlockMarker(block) && block[127] == genre);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckVersion2(bytes);
  CheckVersion1(bytes);
  ParseTrack(bytes);
  ParseGenre(bytes);
  return 0;
}
