// The ID3v2 reader on bytes: versions, header, extended header, footer, unsynchronisation, the
// frame walk and the values taken from frames.
#include "tags/id3v2parse.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tagbytes.h"
#include "tags/bytesource.h"
#include "tags/id3v2reader.h"

namespace {

using namespace std::string_literals;

TParsed Parse(const std::string& bytes) { return TParsed(bytes); }

TEST(ID3v2Parse, ReadsTheSevenFieldsOfEachVersion) {
  // clang-format off
  const std::string v23(
      "ID3\x03\x00\x00"   // version 2.3, no flags
      "\x00\x00\x00\x72"  // 114 bytes of frames
      "TIT2\x00\x00\x00\x06\x00\x00"
      "\x00Title"  // encoding byte, text
      "TPE1\x00\x00\x00\x07\x00\x00"
      "\x00" "Artist"
      "TALB\x00\x00\x00\x06\x00\x00"
      "\x00" "Album"
      "TRCK\x00\x00\x00\x05\x00\x00"
      "\x00" "5/12"
      "TYER\x00\x00\x00\x05\x00\x00"
      "\x00" "1999"
      "TCON\x00\x00\x00\x08\x00\x00"
      "\x00(13)Pop"
      "COMM\x00\x00\x00\x07\x00\x00"
      "\x00" "eng\x00Hi"   // encoding, language, empty description, text
      "\xFF\xFB\x90\x00",  // audio
      10 + 114 + 4);
  const std::string v22(
      "ID3\x02\x00\x00"
      "\x00\x00\x00\x56"  // 86 bytes of frames
      "TT2\x00\x00\x06" "\x00Title"  // three-byte id and size, no flags
      "TP1\x00\x00\x07" "\x00" "Artist"
      "TAL\x00\x00\x06" "\x00" "Album"
      "TRK\x00\x00\x05" "\x00" "5/12"
      "TYE\x00\x00\x05" "\x00" "1999"
      "TCO\x00\x00\x08" "\x00(13)Pop"
      "COM\x00\x00\x07" "\x00" "eng\x00Hi",
      10 + 86);
  // clang-format on
  const std::string v24 =
      TagOf(4, Frame24("TIT2", "\x03Title"s) + Frame24("TPE1", "\0Artist"s) +
                   Frame24("TALB", "\0Album"s) +
                   Frame24("TRCK",
                           "\0"
                           "5/12"s) +
                   // The year is the first four characters of the recording time.
                   Frame24("TDRC",
                           "\0"
                           "1999-05-06T10:00"s) +
                   Frame24("TCON", "\0(13)Pop"s) +
                   Frame24("COMM",
                           "\x03"
                           "eng\0Hi"s));
  for (const auto& [bytes, version] : {std::pair{v23, 3}, {v22, 2}, {v24, 4}}) {
    SCOPED_TRACE(version);
    const TParsed tag = Parse(bytes);
    EXPECT_TRUE(tag.Read());
    EXPECT_TRUE(tag.Exists());
    EXPECT_EQ(tag.Version(), version);
    EXPECT_EQ(tag.Title(), "Title");
    EXPECT_EQ(tag.Artist(), "Artist");
    EXPECT_EQ(tag.Album(), "Album");
    EXPECT_EQ(tag.Track(), "5/12");
    EXPECT_EQ(tag.Year(), "1999");
    EXPECT_EQ(tag.Genre(), "(13)Pop");
    EXPECT_EQ(tag.Comment(), "Hi");
  }
  EXPECT_EQ(Parse(v23).Size(), 124);
}

// One object serves read after read: each read leaves only what it found for the fields it was
// asked for.
TEST(ID3v2Parse, TextsAreReadForTheFieldsAskedForIntoAReusedObject) {
  const std::string seven =
      Tag(Frame("TIT2", "\0Title"s) + Frame("TPE1", "\0Artist"s) + Frame("TALB", "\0Album"s) +
          Frame("TRCK",
                "\0"
                "5/12"s) +
          Frame("TYER",
                "\0"
                "1999"s) +
          Frame("TCON", "\0(13)Pop"s) + Frame("COMM", "\0eng\0Hi"s));
  constexpr TFieldSet Shown = Bit(TField::Title) | Bit(TField::Artist) | Bit(TField::Album) |
                              Bit(TField::Year) | Bit(TField::Comment);
  const struct {
    const char* Name;
    std::string Bytes;
    TFieldSet Fields;
    bool Exists;
    std::array<const char*, FieldCount> Texts;  // by field
  } cases[] = {
      {"every field",
       seven,
       EveryField,
       true,
       {"Title", "Artist", "Album", "1999", "Hi", "5/12", "(13)Pop", ""}},
      {"the five shown",
       seven,
       Shown,
       true,
       {"Title", "Artist", "Album", "1999", "Hi", "", "", ""}},
      {"title only",
       Tag(Frame("TIT2", "\0Other"s)),
       EveryField,
       true,
       {"Other", "", "", "", "", "", "", ""}},
      {"no tag", Audio(100), EveryField, false, {"", "", "", "", "", "", "", ""}},
      {"the comment alone", seven, Bit(TField::Comment), true, {"", "", "", "", "Hi", "", "", ""}},
  };
  TID3v2Texts read;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemorySource source(c.Bytes);
    EXPECT_TRUE(ReadID3v2Texts(source, read, c.Fields));
    EXPECT_EQ(read.Exists, c.Exists);
    for (std::size_t field = 0; field < FieldCount; ++field)
      EXPECT_EQ(read.Texts[field], c.Texts[field]) << field;
  }
}

TEST(ID3v2Parse, HeaderDecidesWhetherFramesAreRead) {
  const std::string frames = Frame("TIT2", "\0Abc"s);
  const std::string frames22 = Frame22("TT2", "\0Abc"s);
  struct TCase {
    const char* Name;
    std::string Bytes;
    bool Read, Exists;
    std::uint8_t Version;
    std::int64_t Size;
    const char* Title;
  } cases[] = {
      {"shorter than ten bytes", "ID3\x03\x00\x00\x00\x00\x00"s, false, false, 0, 0, ""},
      {"no ID3 at the start", "id3\x03" + std::string(20, '\0'), true, false, 0, 0, ""},
      {"version 2.2", TagOf(2, frames22), true, true, 2, 20, "Abc"},
      // No compression scheme for a 2.2 tag was ever defined.
      {"version 2.2, compressed", TagOf(2, frames22, 0x40), true, true, 2, 20, ""},
      {"version 2.4 with footer", TagOf(4, frames, 0x10) + "3DI\x04\0\x10\0\0\0\x0E"s, true, true,
       4, 34, "Abc"},
      {"unknown version 2.5", TagOf(5, frames), true, true, 5, 24, ""},
      {"length beyond the data", TagHeader(3, std::uint32_t(frames.size()) + 1) + frames, true,
       true, 3, 0, ""},
      {"footer beyond the data", TagOf(4, frames, 0x10), true, true, 4, 0, ""},
      {"length exactly the data", TagOf(3, frames), true, true, 3, 24, "Abc"},
      {"header alone", TagHeader(3, 0), true, true, 3, 10, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TParsed tag = Parse(c.Bytes);
    EXPECT_EQ(tag.Read(), c.Read);
    EXPECT_EQ(tag.Exists(), c.Exists);
    EXPECT_EQ(tag.Version(), c.Version);
    EXPECT_EQ(tag.Size(), c.Size);
    EXPECT_EQ(tag.Title(), c.Title);
  }
}

// A header in front of a declared length of zero bytes, without holding them.
class THeaderOnly : public TByteSource {
 public:
  THeaderOnly(std::string header, std::int64_t size) : FHeader(std::move(header)), FSize(size) {}
  std::int64_t Size() override { return FSize; }
  std::size_t ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) override {
    return TMemorySource(FHeader).ReadAt(offset, out, n);
  }

 private:
  std::string FHeader;
  std::int64_t FSize;
};

TEST(ID3v2Parse, LengthBytesAreTakenWhole) {
  // No bits masked off: bytes with the high bit count whole.
  const std::string header = "ID3\x03\0\0\xFF\x80\x81\xFF"s;
  const std::int64_t extent = 0xFF * (1 << 21) + 0x80 * (1 << 14) + 0x81 * 128 + 0xFF + 10;
  THeaderOnly exact(header, extent);
  EXPECT_EQ(TID3v2Reader(exact).Extent(), extent);
  THeaderOnly shorter(header, extent - 1);
  EXPECT_EQ(TID3v2Reader(shorter).Extent(), 0);
}

TEST(ID3v2Parse, ExtendedHeaderIsSteppedOver) {
  const std::string title = Frame("TIT2", "\0Abc"s);
  struct TCase {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      // Version 2.3: the size counts the bytes behind it (6, or 10 with a CRC).
      {"2.3", TagOf(3, "\0\0\0\x06\0\0\0\0\0\0"s + title, 0x40)},
      {"2.3 with CRC", TagOf(3, "\0\0\0\x0A\x80\0\0\0\0\0\x12\x34\x56\x78"s + title, 0x40)},
      // Version 2.4: a sync-safe size of the whole extended header.
      {"2.4", TagOf(4, "\0\0\0\x06\x01\0"s + Frame24("TIT2", "\0Abc"s), 0x40)},
      // The flag set without an extended header: the frames follow at once.
      {"flag without header", TagOf(3, title, 0x40)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Parse(c.Bytes).Title(), "Abc");
  }
}

TEST(ID3v2Parse, UnsynchronisationIsUndone) {
  // "\xFF\x00" stands for 0xFF. Versions 2.2 and 2.3 count frame sizes before it was applied,
  // 2.4 after it, per frame.
  const std::string title = "\0\xFF\0\xE9"s;  // encoding 0, "ÿé" unsynchronised
  struct TCase {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"2.2 tag", TagOf(2, Frame22("TT2", "\0\xFF\xE9"s).substr(0, 6) + title, 0x80)},
      {"2.3 tag", TagOf(3, Frame("TIT2", "\0\xFF\xE9"s).substr(0, 10) + title, 0x80)},
      {"2.4 tag", TagOf(4, Frame24("TIT2", title), 0x80)},
      {"2.4 frame", TagOf(4, Frame24("TIT2", title, 0x0002))},
      {"2.4 tag and frame", TagOf(4, Frame24("TIT2", title, 0x0002), 0x80)},
      // A data length indicator (four sync-safe bytes) and a group byte come first.
      {"2.4 frame with group and data length",
       TagOf(4, Frame24("TIT2", "\x07\0\0\0\x03"s + title, 0x0043))},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Parse(c.Bytes).Title(), "\u00ff\u00e9");
  }
}

TEST(ID3v2Parse, CompressedFramesAreInflatedAndEncryptedOnesReadAsEmpty) {
  const std::string next = Frame("TPE1", "\0Next"s);
  const std::string title = "\0Packed title"s;
  const std::string packed = Deflated(title);
  const std::string size = "\0\0\0\x0D"s;  // the inflated size, 13
  struct TCase {
    const char* Name;
    std::string Bytes;
    const char* Title;
  } cases[] = {
      {"2.3 compressed", Tag(Frame("TIT2", size + packed, 0x0080) + next), "Packed title"},
      // The inflated size comes first, then the group byte.
      {"2.3 compressed and grouped", Tag(Frame("TIT2", size + "\x05"s + packed, 0x00A0) + next),
       "Packed title"},
      {"2.4 compressed with data length",
       TagOf(4, Frame24("TIT2", size + packed, 0x0009) + Frame24("TPE1", "\0Next"s)),
       "Packed title"},
      // Some writers leave the data length flag off; the length is there all the same.
      {"2.4 compressed, no data length flag",
       TagOf(4, Frame24("TIT2", size + packed, 0x0008) + Frame24("TPE1", "\0Next"s)),
       "Packed title"},
      {"2.3 compressed, not zlib", Tag(Frame("TIT2", "\0\0\0\x04xxxx"s, 0x0080) + next), ""},
      {"2.3 compressed, cut short",
       Tag(Frame("TIT2", size + packed.substr(0, packed.size() - 3), 0x0080) + next), ""},
      {"2.3 encrypted", Tag(Frame("TIT2", "\0\0\0\x04xxxx"s, 0x0040) + next), ""},
      {"2.4 encrypted", TagOf(4, Frame24("TIT2", "\x01xxxx"s, 0x0004) + Frame24("TPE1", "\0Next"s)),
       ""},
      // A 2.3 group byte is stepped over.
      {"2.3 grouped", Tag(Frame("TIT2", "\x01\0Grouped"s, 0x0020) + next), "Grouped"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TParsed tag = Parse(c.Bytes);
    EXPECT_EQ(tag.Title(), c.Title);
    EXPECT_EQ(tag.Artist(), "Next");
  }
  // The comment shown may be compressed too.
  const std::string comment = "\0eng\0Packed comment"s;
  EXPECT_EQ(Parse(Tag(Frame("COMM", "\0\0\0\x13"s + Deflated(comment), 0x0080))).Comment(),
            "Packed comment");
}

// A source of the bytes given, then zero bytes up to the size, that counts what is read of it:
// a sparse file's worth of tag costs no memory to make.
class TCountingSource : public TByteSource {
 public:
  TCountingSource(std::string start, std::int64_t size) : FStart(std::move(start)), FSize(size) {}
  std::int64_t Size() override { return FSize; }
  std::size_t ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) override {
    if (offset < 0 || offset >= FSize) return 0;
    n = std::size_t(std::min<std::int64_t>(std::int64_t(n), FSize - offset));
    for (std::size_t i = 0; i < n; ++i) {
      const auto at = std::size_t(offset) + i;
      out[i] = at < FStart.size() ? std::uint8_t(FStart[at]) : 0;
    }
    BytesRead += std::int64_t(n);
    return n;
  }
  std::int64_t BytesRead = 0;

 private:
  std::string FStart;
  std::int64_t FSize;
};

TEST(ID3v2Parse, ListingAHugeTagReadsWhatTheRowNeeds) {
  constexpr std::int64_t Declared = (256 << 20) - 1;  // the most a tag can declare
  const auto tag = [&](std::uint8_t version, std::uint8_t flags, const std::string& frames) {
    return TagHeader(version, std::uint32_t(Declared)).substr(0, 5) + char(flags) +
           TagHeader(version, std::uint32_t(Declared)).substr(6) + frames;
  };
  const std::string title = Frame("TIT2", "\0Small"s);
  // A title frame that declares 200 MiB of text: the listing keeps its first 64 KiB.
  std::string huge = "TIT2"s + "\x0C\x80\0\0"s + "\0\0"s + "\0"s + std::string(70000, 'h');
  struct TCase {
    const char* Name;
    std::string Start;
    const char* Title;
    bool Cut;
  } cases[] = {
      {"2.3 unsynchronised, padding", tag(3, 0x80, title), "Small", false},
      {"2.2 unsynchronised, padding", tag(2, 0x80, Frame22("TT2", "\0Small"s)), "Small", false},
      {"2.3, one frame of 200 MiB", tag(3, 0, huge), "", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TCountingSource source(c.Start, 10 + Declared);
    TID3v2Texts read;
    ASSERT_TRUE(ReadID3v2Texts(source, read));
    const std::string& text = read.Texts[std::size_t(TField::Title)];
    EXPECT_EQ(text, c.Cut ? std::string(MaxListedText, 'h') : c.Title);
    EXPECT_EQ((read.Cut & Bit(TField::Title)) != 0, c.Cut);
    EXPECT_LT(source.BytesRead, 1 << 20);
  }
}

TEST(ID3v2Parse, WalkStopsAtPadding) {
  const std::string title = Frame("TIT2", "\0Abc"s);
  // Padding after the title: the walk ends there, a frame hidden behind it is not seen.
  EXPECT_EQ(Parse(Tag(title + std::string(8, '\0') + Frame("TPE1", "\0X"s))).Artist(), "");
  EXPECT_EQ(Parse(Tag(title, 100)).Title(), "Abc");
  // A lower-case or digit id byte ends the walk as well.
  EXPECT_EQ(Parse(Tag(Frame("tIT2", "\0x"s) + title)).Title(), "");
  EXPECT_EQ(Parse(Tag(Frame("1IT2", "\0x"s) + title)).Title(), "");
}

TEST(ID3v2Parse, LastFrameOfAnIdWinsAndTheCommentIsTheFirstWithoutDescription) {
  const std::string frames =
      Frame("COMM", "\0engiTunNORM\0 000A"s) + Frame("APIC", std::string(3000, 'p')) +
      Frame("TIT2", "\0Old"s) + Frame("COMM", "\0deu\0First"s) + Frame("TXXX", "\0other"s) +
      Frame("COMM", "\0fra\0Last"s) + Frame("TIT2", "");  // an empty later frame wins too
  const TParsed tag = Parse(Tag(frames));
  EXPECT_EQ(tag.Comment(), "First");
  EXPECT_EQ(tag.Title(), "");
  EXPECT_EQ(Parse(Tag(Frame("COMM", "\0engiTunNORM\0 000A"s))).Comment(), "")
      << "no comment without an empty description";
}

TEST(ID3v2Parse, LongTextsAreReadWhole) {
  const std::string text(3000, 'a');
  const TParsed tag = Parse(Tag(Frame("TIT2", '\0' + text) + Frame("TPE1", "\0Next"s) +
                                Frame("COMM", "\0eng\0"s + text)));
  EXPECT_EQ(tag.Title(), text);
  EXPECT_EQ(tag.Artist(), "Next");
  EXPECT_EQ(tag.Comment(), text);
}

TEST(ID3v2Parse, FramesCutShortByTheEndOfTheTag) {
  const std::string title = Frame("TIT2", "\0Abc"s);
  struct TCase {
    const char* Name;
    std::string Tail;  // bytes after the title frame, all inside the declared tag
    const char* Artist;
  } cases[] = {
      {"header cut", "TPE1\x00\x00\x00"s, ""},
      // A body is cut at the end of the tag.
      {"body cut",
       "TPE1\x00\x00\x00\x09\x00\x00\x00"
       "Ar"s,
       "Ar"},
      {"size near 4 GiB",
       "TPE1\xFF\xFF\xFF\xF6\x00\x00\x00"
       "Ar"s,
       "Ar"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TParsed tag = Parse(Tag(title + c.Tail) + Audio(100));
    EXPECT_EQ(tag.Title(), "Abc") << "frames before the cut count";
    EXPECT_EQ(tag.Artist(), c.Artist);
  }
}

TEST(ID3v2Parse, FrameSizeNearFourGigabytesNeitherWrapsNorLoops) {
  // Sizes that would wrap a 32-bit position back onto the first frame.
  for (const std::uint32_t size : {0xFFFFFFFFu, 0xFFFFFFF6u, 0xFFFFFFECu}) {
    std::string frames("TIT2", 4);
    for (int shift = 24; shift >= 0; shift -= 8) frames += char((size >> shift) & 0xFF);
    frames += "\0\0\0Abc"s + std::string(300, 'z');
    EXPECT_EQ(Parse(Tag(frames)).Title().substr(0, 3), "Abc");
  }
}

TEST(ID3v2Parse, ZeroSizeFramesAdvance) {
  std::string frames;
  for (int i = 0; i < 1000; ++i) frames += Frame("TXXX", "");
  frames += Frame("TALB", "\0End"s);
  EXPECT_EQ(Parse(Tag(frames)).Album(), "End");
}

TEST(ID3v2Parse, VersionFourFramesWithPlainSizesAreRead) {
  // Some writers put plain sizes into 2.4 frames: 200 reads as 72 when taken sync-safe.
  const std::string body = "\0" + std::string(199, 'p');
  const std::string plain = Frame("TXXX", body) + Frame("TIT2", "\0Abc"s);
  EXPECT_EQ(Parse(TagOf(4, plain)).Title(), "Abc");
  EXPECT_EQ(Parse(TagOf(4, plain + std::string(50, '\0'))).Title(), "Abc");
  // Sync-safe sizes that read cleanly stay sync-safe, even where the plain reading lands on a
  // frame inside another frame's body.
  std::string second = "\0" + std::string(299, 'q');
  second.replace(118, 14, Frame("TIT2", "\0Bad"s));
  const std::string syncSafe =
      Frame24("TXXX", body) + Frame24("TXXX", second) + Frame24("TIT2", "\0Good"s);
  EXPECT_EQ(Parse(TagOf(4, syncSafe)).Title(), "Good");
}

}  // namespace
