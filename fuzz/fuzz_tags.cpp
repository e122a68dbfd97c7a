// Feeds arbitrary bytes to the ID3v2 parser and the ID3v1 block rules, and checks that a tag
// built from what was read reads back with the same values.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tags/bytesource.h"
#include "tags/id3v1block.h"
#include "tags/id3v2.h"
#include "tags/id3v2build.h"
#include "tags/id3v2parse.h"
#include "tags/texttrim.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckVersion2(std::string_view bytes) {
  TMemorySource source(bytes);
  TID3v2 tag;
  const bool read = ParseID3v2(source, tag);
  Require(read == (bytes.size() >= 10));
  Require(tag.Size() >= 0 && tag.Size() <= std::int64_t(bytes.size()));
  const std::optional<std::string> built = BuildTag(tag);
  Require(built.has_value());
  TMemorySource again(*built);
  TID3v2 back;
  Require(ParseID3v2(again, back) && back.Exists() && back.Version() == 3);
  Require(back.Size() == std::int64_t(built->size()));
  // A body is read up to 250 bytes: a text frame returns 249 characters behind its encoding
  // byte, the comment 245 behind encoding, language and description terminator.
  const auto cut = [](const std::string& text, std::size_t n) {
    return TrimRightBlanks(std::string_view(text).substr(0, n));
  };
  Require(back.Title() == cut(tag.Title(), 249) && back.Artist() == cut(tag.Artist(), 249) &&
          back.Album() == cut(tag.Album(), 249) && back.Year() == cut(tag.Year(), 249) &&
          back.Comment() == cut(tag.Comment(), 245) && back.Track() == tag.Track());
}

void CheckVersion1(std::string_view bytes) {
  TID3v1Block block{};
  const std::size_t n = std::min(bytes.size(), block.size());
  std::copy_n(bytes.end() - n, n, block.begin());
  const std::uint8_t genre = block[127];
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
