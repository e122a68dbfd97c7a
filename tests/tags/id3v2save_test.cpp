// What a save makes of the tag in the file: only the changed fields' frames change, every other
// frame stays byte for byte in its order, and the tag keeps its version (2.2 becomes 2.3).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tagbytes.h"
#include "tags/bytesource.h"
#include "tags/id3v2convert.h"

namespace {

using namespace std::string_literals;

std::optional<TNewTag> Save(const std::string& file, const std::vector<TSet>& sets) {
  return SavedAfter(file, sets);
}

std::string Saved(const std::string& file, const std::vector<TSet>& sets) {
  const std::optional<TNewTag> tag = Save(file, sets);
  return tag ? tag->Bytes : "(none)";
}

// A tag as common tools write it: fifteen frames with the year at `year`.
std::string CommonFrames(std::uint8_t version, const std::string& title, const std::string& year) {
  const auto frame = [&](std::string_view id, std::string_view body) {
    return version == 4 ? Frame24(id, body) : Frame(id, body);
  };
  return frame("TIT2", title) + frame("TPE1", "\0The Quiet Ferns"s) + frame("TALB", "\0Low"s) +
         frame("TRCK",
               "\0"
               "3/12"s) +
         year + frame("TCON", "\0(17)Rock"s) + frame("COMM", "\0eng\0First take"s) +
         frame("COMM", "\0engiTunNORM\0 0000 0001"s) +
         frame("APIC", "\0image/jpeg\0\x03\0\xFF\xD8\xFF\xE0"s + Audio(3000)) +
         frame("USLT", "\0eng\0Line one\nLine two"s) + frame("TXXX", "\0MOOD\0calm"s) +
         frame("POPM", "me@example.org\0\xC4\0\0\0\x05"s) +
         frame("TPOS",
               "\0"
               "1/2"s) +
         frame("TPE2", "\0Various"s) + frame("UFID", "http://example.org\0id-42"s) +
         frame("PRIV", "owner\0\x01\x02\x03"s);
}

TEST(ID3v2Save, ChangedYearLeavesEveryOtherFrameByteForByte) {
  const std::string utf16Title = "\x01\xFF\xFE\x1A\x04\x38\x04\x3D\x04\x3E\x04"s;  // Кино
  struct TCase {
    const char* Name;
    std::uint8_t Version;
    std::string Title;    // the title frame's body, kept as it is
    std::string OldYear;  // the year frame before and after the save
    std::string NewYear;
  } cases[] = {
      {"2.3 ISO-8859-1", 3, "\0Harbour Lights"s,
       Frame("TYER",
             "\0"
             "1999"s),
       Frame("TYER",
             "\0"
             "2001"s)},
      {"2.3 UTF-16", 3, utf16Title,
       Frame("TYER",
             "\x01\xFF\xFE"
             "1\0"
             "9\0"
             "9\0"
             "9\0"s),
       Frame("TYER",
             "\0"
             "2001"s)},
      {"2.4 UTF-8", 4, "\x03\xE6\x97\xA5\xE6\x9C\xAC"s,
       Frame24("TDRC",
               "\x03"
               "1999-05-06"s),
       Frame24("TDRC",
               "\0"
               "2001"s)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    // Padding goes; nothing else changes.
    const std::string file =
        TagOf(c.Version, CommonFrames(c.Version, c.Title, c.OldYear) + std::string(512, '\0')) +
        Audio(500);
    const std::optional<TNewTag> saved = Save(file, {{TField::Year, "2001"}});
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->Bytes, TagOf(c.Version, CommonFrames(c.Version, c.Title, c.NewYear)));
    EXPECT_EQ(saved->RestStart, std::int64_t(file.size() - 500));
  }
}

TEST(ID3v2Save, EachEditChangesOnlyItsOwnFrame) {
  const std::string title = Frame("TIT2", "\0Old"s);
  const std::string picture = Frame("APIC", "\0image/png\0\x03\0PNG"s);
  const std::string described = Frame("COMM", "\0engiTunNORM\0 0000"s);
  struct TCase {
    const char* Name;
    std::string Frames;
    std::vector<TSet> Sets;
    std::string Expected;
  } cases[] = {
      {"replaced in place",
       Frame("TXXX", "\0a\0b"s) + title + picture,
       {{TField::Title, "New"}},
       Frame("TXXX", "\0a\0b"s) + Frame("TIT2", "\0New"s) + picture},
      // A text frame occurs once in a tag: players would show the others too.
      {"every frame of the id: the first takes the text",
       title + picture + Frame("TIT2", "\0Two"s),
       {{TField::Title, "New"}},
       Frame("TIT2", "\0New"s) + picture},
      {"emptied: its frames go", title + picture + title, {{TField::Title, ""}}, picture},
      {"added after the nearest field before it",
       title + picture + Frame("TALB", "\0Al"s),
       {{TField::Artist, "Band"}},
       title + Frame("TPE1", "\0Band"s) + picture + Frame("TALB", "\0Al"s)},
      {"added before the first field frame",
       picture +
           Frame("TYER",
                 "\0"
                 "1999"s) +
           Frame("TALB", "\0Al"s),
       {{TField::Title, "T"}},
       picture + Frame("TIT2", "\0T"s) +
           Frame("TYER",
                 "\0"
                 "1999"s) +
           Frame("TALB", "\0Al"s)},
      {"added first where no field has a frame",
       picture,
       {{TField::Album, "Al"}},
       Frame("TALB", "\0Al"s) + picture},
      {"comment: the first without description, language kept",
       described + Frame("COMM", "\0deu\0Alt"s) + Frame("COMM", "\0eng\0Other"s),
       {{TField::Comment, "Neu"}},
       described + Frame("COMM", "\0deu\0Neu"s) + Frame("COMM", "\0eng\0Other"s)},
      {"comment added beside descriptions",
       title + described +
           Frame("TYER",
                 "\0"
                 "1999"s),
       {{TField::Comment, "Hi"}},
       title + described +
           Frame("TYER",
                 "\0"
                 "1999"s) +
           Frame("COMM", "\0eng\0Hi"s)},
      {"emptied comment: only its frame goes",
       described + Frame("COMM", "\0eng\0Hi"s),
       {{TField::Comment, ""}},
       described},
      {"comment: every shown one in its language, others stay",
       Frame("COMM", "\0eng\0One"s) + described + Frame("COMM", "\0deu\0Eins"s) +
           Frame("COMM",
                 "\x01"
                 "eng\xFF\xFE\0\0T\0w\0o\0"s),
       {{TField::Comment, "New"}},
       Frame("COMM", "\0eng\0New"s) + described + Frame("COMM", "\0deu\0Eins"s)},
      {"emptied comment: every shown one in its language goes",
       Frame("COMM", "\0eng\0One"s) + Frame("COMM", "\0eng\0Two"s) + described,
       {{TField::Comment, ""}},
       described},
      // A compressed comment is the comment shown like any other, and an edit replaces it.
      {"compressed comment replaced",
       Frame("COMM", "\0\0\0\x0B"s + Deflated("\0eng\0Packed"s), 0x0080) + title,
       {{TField::Comment, "Plain"}},
       Frame("COMM", "\0eng\0Plain"s) + title},
      // Tag alter preservation and read-only stay; compression and grouping described the old
      // body.
      {"status flags kept, format flags dropped",
       Frame("TIT2", "\0\0\0\x05xx"s, 0xA0A0) + picture,
       {{TField::Title, "New"}},
       Frame("TIT2", "\0New"s, 0xA000) + picture},
      {"the discard-on-alter flag drops nothing",
       Frame("TXXX", "\0x\0y"s, 0x8000) + title,
       {{TField::Title, "New"}},
       Frame("TXXX", "\0x\0y"s, 0x8000) + Frame("TIT2", "\0New"s)},
      {"several fields",
       title + picture,
       {{TField::Comment, "C"}, {TField::Year, "2001"}, {TField::Title, ""}},
       Frame("TYER",
             "\0"
             "2001"s) +
           Frame("COMM", "\0eng\0C"s) + picture},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Saved(Tag(c.Frames), c.Sets), Tag(c.Expected));
  }
}

TEST(ID3v2Save, VersionFourIsWrittenAsVersionFourWithoutWhatNoLongerHolds) {
  // Extended header, footer and the tag's unsynchronisation flag go; a frame unsynchronised by
  // the tag's flag alone is stored plainly, one with its own flag stays as stored.
  const std::string own = Frame24("TXXX", "\0\0\0\x03\0\xFF\0\xE0"s, 0x4003);
  const std::string frames = "\0\0\0\x06\x01\0"s +  // extended header
                             Frame24("TIT2", "\0\xFF\0\xE9"s) + own +
                             Frame24("TDRC",
                                     "\0"
                                     "2004-05"s) +
                             Frame24("TPE1", "\0Old"s);
  const std::uint8_t flags = 0xD0;  // unsynchronised, extended header, footer
  const std::string file = TagOf(4, frames, flags) + "3DI" +
                           TagHeader(4, std::uint32_t(frames.size()), flags).substr(3) + Audio(50);
  const std::optional<TNewTag> saved = Save(file, {{TField::Year, "2001"}});
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->Bytes, TagOf(4, Frame24("TIT2", "\0\xFF\xE9"s) + own +
                                       Frame24("TDRC",
                                               "\0"
                                               "2001"s) +
                                       Frame24("TPE1", "\0Old"s)));
  EXPECT_EQ(saved->RestStart, std::int64_t(file.size() - 50)) << "the footer is part of the tag";

  // Plain sizes some writers put into 2.4 frames are written sync-safe.
  const std::string body = "\0" + std::string(199, 'p');
  EXPECT_EQ(Saved(TagOf(4, Frame("TXXX", body) + Frame("TIT2", "\0Abc"s)), {{TField::Album, "Al"}}),
            TagOf(4, Frame24("TXXX", body) + Frame24("TIT2", "\0Abc"s) + Frame24("TALB", "\0Al"s)));
}

TEST(ID3v2Save, VersionTwoTwoBecomesTwoThreeFrameByFrame) {
  struct TCase {
    std::string Id22;
    std::string Body22;
    std::string Id23;
    std::string Body23;
  } cases[] = {
      {"TT2", "\0Title"s, "TIT2", "\0Title"s},
      {"TP1", "\0Artist"s, "TPE1", "\0Artist"s},
      {"TYE",
       "\0"
       "1999"s,
       "TYER",
       "\0"
       "1999"s},
      {"COM", "\0eng\0Hi"s, "COMM", "\0eng\0Hi"s},
      {"ULT", "\0eng\0La la"s, "USLT", "\0eng\0La la"s},
      {"TXX", "\0K\0V"s, "TXXX", "\0K\0V"s},
      {"UFI", "owner\0id"s, "UFID", "owner\0id"s},
      {"POP", "me\0\x80\0"s, "POPM", "me\0\x80\0"s},
      {"CNT", "\0\0\0\x07"s, "PCNT", "\0\0\0\x07"s},
      {"TCP",
       "\0"
       "1"s,
       "TCMP",
       "\0"
       "1"s},
      // A picture's image format becomes a MIME type.
      {"PIC", "\0JPG\x03\0\xFF\xD8"s, "APIC", "\0image/jpeg\0\x03\0\xFF\xD8"s},
      {"PIC", "\x01png\x00\xFF\xFE\0\0\x89P"s, "APIC", "\x01image/png\0\0\xFF\xFE\0\0\x89P"s},
      {"PIC", "\0GIF\x03\0G"s, "APIC", "\0image/gif\0\x03\0G"s},
      {"PIC", "\0-->\x03\0http://x"s, "APIC", "\0-->\0\x03\0http://x"s},
      // Linked information names the linked frame by its new id.
      {"LNK", "TT2http://x\0"s, "LINK", "TIT2http://x\0"s},
      // No counterpart: kept whole as an experimental frame.
      {"CRM", "owner\0what\0\x01\x02"s, "XCRM", "owner\0what\0\x01\x02"s},
      {"ZZZ", "data"s, "XZZZ", "data"s},
  };
  std::string frames22;
  std::string frames23;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Id22);
    const TID3v2Frame converted = ConvertFrame({c.Id22, 0, c.Body22});
    EXPECT_EQ(converted.Id, c.Id23);
    EXPECT_EQ(converted.Body, c.Body23);
    frames22 += Frame22(c.Id22, c.Body22);
    frames23 += Frame(c.Id23, c.Id23 == "TIT2" ? "\0New"s : c.Body23);
  }
  // Unsynchronisation of the 2.2 tag is undone before it is converted.
  const std::string unsynchronised = Frame22("TAL", "\0\xFF\xFF"s).substr(0, 6) + "\0\xFF\0\xFF\0"s;
  EXPECT_EQ(Saved(TagOf(2, frames22 + unsynchronised, 0x80), {{TField::Title, "New"}}),
            TagOf(3, frames23 + Frame("TALB", "\0\xFF\xFF"s)));
}

TEST(ID3v2Save, FileWithoutReadableTagGetsANewTagOfTheFiveValues) {
  const std::string audio = Audio(300);
  const std::vector<TSet> sets = {{TField::Comment, "Note"},
                                  {TField::Year, "1999"},
                                  {TField::Album, "Al"},
                                  {TField::Artist, "\u041a\u0438"},
                                  {TField::Title, "Caf\u00e9"}};
  // Fixed order, today's bytes for Windows-1252 texts, UTF-16 for the others.
  const std::string expected =
      Tag(Frame("TIT2", "\0Caf\xE9"s) + Frame("TPE1", "\x01\xFF\xFE\x1A\x04\x38\x04"s) +
          Frame("TALB", "\0Al"s) +
          Frame("TYER",
                "\0"
                "1999"s) +
          Frame("COMM", "\0eng\0Note"s));
  struct TCase {
    const char* Name;
    std::string File;
    std::int64_t RestStart;
  } cases[] = {
      {"no tag", audio, 0},
      {"unknown version", TagOf(5, Frame("TIT2", "\0x"s)) + audio, 22},
      {"length beyond the file", TagHeader(3, 9999) + audio, 0},
      // Shorter than a header: no tag, and the bytes stay behind the new one.
      {"fewer than ten bytes", "ID3\x03"s, 0},
      {"empty file", "", 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::optional<TNewTag> saved = Save(c.File, sets);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->Bytes, expected);
    EXPECT_EQ(saved->RestStart, c.RestStart);
  }
}

TEST(ID3v2Save, TagWrittenByThisProgramGetsTheBytesItGetsToday) {
  // The seven frames in their order, ISO-8859-1, track and genre in their parsed forms.
  const auto tag = [](const std::string& title) {
    return Tag(Frame("TIT2", "\0"s + title) + Frame("TPE1", "\0Band"s) + Frame("TALB", "\0Al"s) +
               Frame("TRCK",
                     "\0"
                     "3"s) +
               Frame("TYER",
                     "\0"
                     "1999"s) +
               Frame("TCON", "\0Rock"s) + Frame("COMM", "\0eng\0Hi"s));
  };
  EXPECT_EQ(Saved(tag("Old"), {{TField::Title, "Caf\u00e9 \u201cNoir\u201d"}}),
            tag("Caf\xE9 \x93Noir\x94"));
}

}  // namespace
