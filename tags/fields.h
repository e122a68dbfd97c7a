#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The fields of a listed file, and one table of what each field is: its column in the table,
// where it lives in each kind of tag, and the rules of its text. Every layer names a field by
// TField and asks this table; adding a field is a row here plus the code truly new for it.
enum class TField : std::uint8_t { Title, Artist, Album, Year, Comment, Track, Genre, FileName };
constexpr std::size_t FieldCount = 8;

// How a typed text of the field is checked. Texts are trimmed by the kind of tag they go to:
// an ID3v2 frame loses the characters 0x00 to 0x20 at its end, an ID3v1 field only spaces.
enum class TTextRule : std::uint8_t {
  Text,      // any text
  Year,      // digits
  Track,     // a number, or a number, "/" and a number
  Genre,     // any text; in an ID3v1 block, a name of the standard list
  ReadOnly,  // not edited here
};

struct TFieldInfo {
  std::string_view Heading;      // the column's heading
  int Width;                     // the column's default width in pixels
  std::string_view SettingsKey;  // where the column's width is stored
  bool ShownByDefault;
  // The most characters a typed text holds; a longer text read from a file is kept whole.
  std::size_t Limit;
  std::uint8_t BlockOffset;  // where an ID3v1 block holds the text; 0: not as a text
  std::uint8_t BlockWidth;
  std::array<std::string_view, 3> FrameIds;  // in versions 2.2, 2.3 and 2.4; empty: no frame
  // Where the field's frame goes in a tag this program makes, and beside which fields a new
  // frame goes in a kept tag: the frames of lower rank come before it.
  std::uint8_t FrameRank;
  TTextRule Rule;
};

inline constexpr std::array<TFieldInfo, FieldCount> FieldTable = {{
    // heading    width key    shown limit block  frames 2.2, 2.3, 2.4        rank rule
    {"Title", 150, "Col 0", true, 255, 3, 30, {"TT2", "TIT2", "TIT2"}, 0, TTextRule::Text},
    {"Artist", 150, "Col 1", true, 255, 33, 30, {"TP1", "TPE1", "TPE1"}, 1, TTextRule::Text},
    {"Album", 150, "Col 2", true, 255, 63, 30, {"TAL", "TALB", "TALB"}, 2, TTextRule::Text},
    // A 2.4 tag holds the recording time, of which the year is the first four characters.
    {"Year", 36, "Col 3", true, 4, 93, 4, {"TYE", "TYER", "TDRC"}, 4, TTextRule::Year},
    // A comment frame holds a language and a description before the text; the comment shown is
    // the first whose description is empty.
    {"Comment", 150, "Col 4", true, 255, 97, 30, {"COM", "COMM", "COMM"}, 6, TTextRule::Text},
    // An ID3v1.1 block holds the track as a byte behind a comment of 28 characters.
    {"Track", 40, "Col 5", false, 7, 0, 0, {"TRK", "TRCK", "TRCK"}, 3, TTextRule::Track},
    // An ID3v1 block holds the genre as a byte, a number of the standard list.
    {"Genre", 100, "Col 6", false, 255, 0, 0, {"TCO", "TCON", "TCON"}, 5, TTextRule::Genre},
    {"File name", 150, "Col 7", false, 255, 0, 0, {}, 7, TTextRule::ReadOnly},
}};

constexpr const TFieldInfo& Info(TField field) { return FieldTable[std::size_t(field)]; }

// The fields a tag holds as a frame or in the block, in table order.
inline constexpr TField TagFields[] = {TField::Title,   TField::Artist, TField::Album, TField::Year,
                                       TField::Comment, TField::Track,  TField::Genre};

// A set of fields, a bit per field.
using TFieldSet = std::uint8_t;
constexpr TFieldSet Bit(TField field) { return TFieldSet(1u << std::size_t(field)); }
constexpr TFieldSet EveryField = TFieldSet((1u << FieldCount) - 1);

// The id of the frame holding the field in a tag of the major version (2, 3 or 4); empty for a
// field that no frame holds.
constexpr std::string_view FieldFrameId(TField field, std::uint8_t version) {
  const auto& ids = Info(field).FrameIds;
  return ids[version == 2 ? 0 : version == 4 ? 2 : 1];
}
