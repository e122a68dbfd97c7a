// TMP3Tag: the format a file is handled in, the fields, the flags and the saves.
#include "tags/mp3tag.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tagbytes.h"
#include "tags/fileerror.h"
#include "tags/id3v2build.h"
#include "tests/common/tempdir.h"

namespace {

using namespace std::string_literals;

class MP3Tag : public testing::Test {
 protected:
  std::string Song(const std::string& bytes) {
    WriteFileBytes(FPath, bytes);
    return FPath;
  }
  static TParsed ReadVersion2(const std::string& path) { return TParsed(ReadFileBytes(path)); }
  // Saves the tag; the reason when the save fails.
  static std::string SaveFailure(TMP3Tag& tag) {
    try {
      tag.WriteTag();
      return {};
    } catch (const TFileOpenError& error) {
      return error.Reason();
    }
  }

  TTempDir Dir;
  std::string FPath = Dir / "song.mp3";
};

TEST_F(MP3Tag, NewObjectHoldsNoTag) {
  TMP3Tag tag;
  EXPECT_FALSE(tag.HasTag());
  EXPECT_FALSE(tag.IsVersion2());
  EXPECT_FALSE(tag.HasTitle());
  EXPECT_FALSE(tag.Modified());
  EXPECT_EQ(tag.FullPath(), "");
  for (const std::string& text :
       {tag.GetTitle(), tag.GetArtist(), tag.GetAlbum(), tag.GetYear(), tag.GetComment()}) {
    EXPECT_EQ(text, "");
  }
}

TEST_F(MP3Tag, ReadTagChoosesTheFormat) {
  const std::string v1 = Block("V1 title", "V1 artist", "", "1999", "", 0);
  const std::string v2 = Tag(Frame("TIT2", "\0V2 title"s));
  struct TCase {
    const char* Name;
    std::string Bytes;
    bool HasTag, IsVersion2, HasTitle;
    const char* Title;
    const char* Artist;
  } cases[] = {
      {"no tag", Audio(1000), false, false, false, "", ""},
      {"empty file", "", false, false, false, "", ""},
      {"ID3v1 only", Audio(1000) + v1, true, false, true, "V1 title", "V1 artist"},
      {"exactly one block", v1, true, false, true, "V1 title", "V1 artist"},
      {"127 bytes ending like a block", v1.substr(1), false, false, false, "", ""},
      {"lower-case marker", "tag" + v1.substr(3), false, false, false, "", ""},
      {"blank ID3v1 title", Audio(10) + Block("   ", "A", "", "", "", 0), true, false, false, "",
       "A"},
      {"ID3v2 only", v2 + Audio(1000), true, true, true, "V2 title", ""},
      {"both: ID3v2 wins", v2 + Audio(1000) + v1, true, true, true, "V2 title", ""},
      {"ID3v2.4",
       TagOf(4, Frame24("TIT2",
                        "\x03\xC3\x9C"
                        "ber"s)),
       true, true, true, "\u00dcber", ""},
      {"ID3v2.2", TagOf(2, Frame22("TP1", "\x01\xFF\xFE\x91\x03"s)), true, true, false, "",
       "\u0391"},
      {"ID3v2.5", TagOf(5, Frame("TIT2", "\0Five"s)), true, true, false, "", ""},
      {"ID3v2 longer than the file", TagHeader(3, 9999) + Audio(100) + v1, true, true, false, "",
       ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMP3Tag tag;
    tag.ReadTag(Song(c.Bytes));
    EXPECT_EQ(tag.HasTag(), c.HasTag);
    EXPECT_EQ(tag.IsVersion2(), c.IsVersion2);
    EXPECT_EQ(tag.HasTitle(), c.HasTitle);
    EXPECT_EQ(tag.GetTitle(), c.Title);
    EXPECT_EQ(tag.GetArtist(), c.Artist);
    EXPECT_FALSE(tag.Modified());
    EXPECT_EQ(tag.FullPath(), FPath);
  }
}

TEST_F(MP3Tag, ReadTagReplacesTheWholeStateOfAReusedObject) {
  TMP3Tag tag;
  tag.ReadTag(Song(Tag(Frame("TIT2", "\0First"s) + Frame("TPE1", "\0Band"s))));
  tag.SetAlbum("Edited");
  tag.ReadTag(Song(Tag(Frame("TIT2", "\0Second"s))));
  EXPECT_EQ(tag.GetTitle(), "Second");
  EXPECT_EQ(tag.GetArtist(), "") << "nothing of the first file stays";
  EXPECT_FALSE(tag.Modified());
  tag.ReadTag(Song(Audio(200) + Block("Third", "", "", "", "", 0)));
  EXPECT_FALSE(tag.IsVersion2());
  EXPECT_EQ(tag.GetTitle(), "Third");
}

TEST_F(MP3Tag, ReadTagRecordsTheReadOnlyAttributeOfBothFormats) {
  for (const std::string& bytes : {Tag(Frame("TIT2", "\0Two"s)), Audio(300)}) {
    TMP3Tag tag;
    tag.ReadTag(Song(bytes));
    EXPECT_FALSE(tag.ReadOnly());
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    tag.ReadTag(FPath);
    EXPECT_TRUE(tag.ReadOnly());
    std::filesystem::remove(FPath);
  }
}

// A read that fails leaves the object as it was, whatever it held.
TEST_F(MP3Tag, ReadTagThatFailsRaisesAndKeepsTheObject) {
  const std::string held = Dir / "held.mp3";
  WriteFileBytes(held, Audio(200) + Block("Held", "", "", "", "", 0));
  const int fd = ::open(held.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);  // another program denies sharing
  const struct {
    const char* Name;
    std::string Bytes;
    bool IsVersion2;
  } kept[] = {
      {"block", Audio(200) + Block("Kept", "", "", "", "", 0), false},
      {"ID3v2", Tag(Frame("TIT2", "\0Kept"s)), true},
  };
  for (const auto& k : kept) {
    for (const std::string& failing : {Dir / "missing.mp3", held}) {
      SCOPED_TRACE(std::string(k.Name) + " then " + failing);
      TMP3Tag tag;
      tag.ReadTag(Song(k.Bytes));
      EXPECT_THROW(tag.ReadTag(failing), TFileOpenError);
      EXPECT_EQ(tag.FullPath(), FPath);
      EXPECT_EQ(tag.IsVersion2(), k.IsVersion2);
      EXPECT_EQ(tag.GetTitle(), "Kept");
      EXPECT_TRUE(tag.HasTitle());
    }
  }
  ::close(fd);
}

// A scan opens each file through its open folder; the object is the one a read by path gives,
// and its save reaches the same file, also through a link.
TEST_F(MP3Tag, ReadTagThroughTheOpenFolderMatchesTheReadByPath) {
  Song(Tag(Frame("TIT2", "\0Old"s)) + Audio(100));
  ASSERT_EQ(::symlink("song.mp3", (Dir / "link.mp3").c_str()), 0);
  const int folder = ::open(Dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  for (const char* name : {"song.mp3", "link.mp3"}) {
    SCOPED_TRACE(name);
    TMP3Tag byFolder, byPath;
    byFolder.ReadTag(folder, name, Dir / name);
    byPath.ReadTag(Dir / name);
    EXPECT_EQ(byFolder.FullPath(), Dir / name);
    EXPECT_EQ(byFolder.GetTitle(), byPath.GetTitle());
    EXPECT_EQ(byFolder.IsVersion2(), byPath.IsVersion2());
    byFolder.SetTitle(std::string("Via ") + name);
    EXPECT_EQ(SaveFailure(byFolder), "");
    EXPECT_EQ(ReadVersion2(FPath).Title(), std::string("Via ") + name);
  }
  ::close(folder);
}

// The row is filled from views of the values; they must be what the getters give.
TEST_F(MP3Tag, TextsAreWhatTheGetterGives) {
  const std::string long300 = std::string(254, 'x') + "  y" + std::string(43, 'z');
  struct TCase {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"no tag", Audio(300)},
      {"block in Windows-1252",
       Audio(10) + Block("Caf\xE9  ", "\x80uro", "Album", "1999", "\x93q\x94", 0)},
      {"block with a blank title", Audio(10) + Block("   ", "A", "", "", "", 0)},
      {"ID3v2 with spaces", Tag(Frame("TIT2", "\0"s + long300) +
                                Frame("TYER",
                                      "\x03"
                                      "20015"s) +
                                Frame("COMM", "\0eng\0Note"s))},
      {"ID3v2.2 in UTF-16", TagOf(2, Frame22("TP1", "\x01\xFF\xFE\x91\x03"s))},
      {"block with track and genre",
       Audio(10) + Block("T", "", "", "", "", 17).substr(0, 125) + "\0\x05\x11"s},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMP3Tag tag;
    tag.ReadTag(Song(c.Bytes));
    for (const bool edited : {false, true}) {
      std::string buffer;
      const TMP3Tag::TFieldTexts texts = tag.Texts(buffer);
      for (std::size_t field = 0; field < FieldCount; ++field)
        EXPECT_EQ(texts[field], tag.Get(TField(field))) << field << edited;
      tag.SetAlbum("\u00c9dited");
    }
  }
}

// Between the read and the save the object keeps the values of the fields that were not set:
// a file whose tag can no longer be read gets a new tag holding them beside the edited one.
TEST_F(MP3Tag, SaveOverATagThatCanNoLongerBeReadKeepsTheValuesAsRead) {
  const std::string audio = Audio(500);
  TMP3Tag tag;
  tag.ReadTag(Song(
      Tag(Frame("TIT2", "\0Title"s) + Frame("TPE1", "\0Band"s) + Frame("COMM", "\0eng\0Note"s)) +
      audio));
  tag.SetAlbum("Edited");
  // Another program leaves a tag of an unknown version in its place, in the same file.
  const std::string unknown = TagOf(5, Frame("TIT2", "\0x"s));
  {
    std::fstream file(FPath, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
    file << unknown << audio;
  }
  ASSERT_EQ(SaveFailure(tag), "");
  const TParsed back = ReadVersion2(FPath);
  EXPECT_EQ(back.Version(), 3);
  EXPECT_EQ(back.Title(), "Title");
  EXPECT_EQ(back.Artist(), "Band");
  EXPECT_EQ(back.Album(), "Edited");
  EXPECT_EQ(back.Comment(), "Note");
  const std::string bytes = ReadFileBytes(FPath);
  EXPECT_EQ(bytes.substr(bytes.size() - audio.size()), audio);
}

TEST_F(MP3Tag, SettersActOnlyOnATextThatDiffersFromTheValueAsRead) {
  struct TCase {
    const char* Name;
    std::string Text;
    bool Modified;
  } cases[] = {
      {"same text", "Abc", false},
      {"other case", "ABC", true},
      {"trailing space added", "Abc ", true},
      {"longer than the field, same start", "Abc" + std::string(27, ' ') + "xyz", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMP3Tag tag;
    tag.ReadTag(Song(Audio(10) + Block("Abc   ", "", "", "", "", 0)));
    tag.SetTitle(c.Text);
    EXPECT_EQ(tag.Modified(), c.Modified);
  }
  TMP3Tag version2;
  version2.ReadTag(Song(Tag(Frame("TYER",
                                  "\0"
                                  "20015"s))));
  version2.SetYear("2001");
  EXPECT_TRUE(version2.Modified()) << "compared with the whole value, not the four shown";
}

TEST_F(MP3Tag, FieldWidthsDependOnTheFormat) {
  const std::string long40(40, 'L');
  TMP3Tag v1;
  v1.ReadTag(Song(Audio(10) + Block("", "", "", "", "", 0)));
  v1.SetTitle(long40);
  v1.SetYear("20015");
  EXPECT_EQ(v1.GetTitle(), std::string(30, 'L'));
  EXPECT_EQ(v1.GetYear(), "2001");
  EXPECT_EQ(v1.GetComment(), "") << "the year has no terminator but stops at its width";

  TMP3Tag v2;
  v2.ReadTag(Song(Tag("")));
  v2.SetTitle(long40);
  v2.SetYear("20015");
  EXPECT_EQ(v2.GetTitle(), long40);
  EXPECT_EQ(v2.GetYear(), "2001");
  v2.SetComment(std::string(300, 'c'));
  EXPECT_EQ(v2.GetComment(), std::string(255, 'c')) << "a typed text is cut at 255";
}

// No text read from a file is ever cut: an edit of a longer text keeps what it did not delete,
// and a text compares with the value only once it is cut as the setter would store it.
TEST_F(MP3Tag, LongTextsReadAreKeptWholeAndTypedOnesCutBeforeTheyCompare) {
  const std::string long300(300, 'x');
  TMP3Tag tag;
  tag.ReadTag(Song(
      TagOf(4, Frame24("TIT2", "\0"s + long300) + Frame24("TPE1", "\0"s + std::string(255, 'a')))));
  EXPECT_EQ(tag.GetTitle(), long300);
  EXPECT_EQ(tag.Limit(TField::Title), 300u);
  tag.SetTitle(long300 + "more");
  tag.SetArtist(std::string(256, 'a'));
  EXPECT_FALSE(tag.Modified()) << "cut to the field's length, both texts equal what it holds";
  tag.SetTitle(long300.substr(1));
  EXPECT_EQ(tag.GetTitle(), long300.substr(1));
  EXPECT_EQ(SaveFailure(tag), "");
  EXPECT_EQ(ReadVersion2(FPath).Title(), long300.substr(1));
}

// A version 1.1 block keeps a track number behind a comment of 28 characters: a longer comment
// does not fit it, and setting one keeps the track.
TEST_F(MP3Tag, Version11BlockKeepsItsTrack) {
  std::string block = Block("Title", "", "", "", "Old comment", 17);
  block[126] = 4;  // track 4 behind the zero byte at 125
  const std::string audio = Audio(200);
  TMP3Tag tag;
  tag.ReadTag(Song(audio + block));
  EXPECT_EQ(tag.Get(TField::Track), "4");
  EXPECT_EQ(tag.Get(TField::Genre), "Rock");
  EXPECT_EQ(tag.Limit(TField::Comment), 28u);
  EXPECT_TRUE(tag.Fits(TField::Comment, std::string(28, 'c')));
  EXPECT_FALSE(tag.Fits(TField::Comment, std::string(29, 'c')));
  tag.SetComment(std::string(30, 'c'));
  EXPECT_EQ(tag.GetComment(), std::string(28, 'c'));
  EXPECT_EQ(SaveFailure(tag), "");
  const std::string bytes = ReadFileBytes(FPath);
  EXPECT_EQ(bytes.substr(bytes.size() - 31), std::string(28, 'c') + "\0\x04\x11"s);
  // A block without a track takes 30 characters, and a track only beside a short comment.
  TMP3Tag plain;
  plain.ReadTag(Song(audio + Block("Title", "", "", "", std::string(30, 'c'), 255)));
  EXPECT_EQ(plain.Limit(TField::Comment), 30u);
  EXPECT_FALSE(plain.Fits(TField::Track, "3"));
  plain.SetComment("short");
  EXPECT_TRUE(plain.Fits(TField::Track, "3"));
  EXPECT_FALSE(plain.Fits(TField::Track, "256"));
  EXPECT_FALSE(plain.Fits(TField::Genre, "No such genre"));
}

TEST_F(MP3Tag, ShorterCommentInABlockWithoutTrackMakesNoTrack) {
  // The old comment's bytes stay behind the new one's zero byte; after 28 characters that byte
  // is 125, which marks a track in byte 126.
  for (const std::size_t length : {27u, 28u, 29u}) {
    SCOPED_TRACE(length);
    TMP3Tag tag;
    tag.ReadTag(Song(Audio(100) + Block("T", "", "", "", std::string(30, 'c'), 17)));
    tag.SetComment(std::string(length, 'n'));
    EXPECT_EQ(tag.Get(TField::Track), "");
    EXPECT_EQ(SaveFailure(tag), "");
    TMP3Tag back;
    back.ReadTag(FPath);
    EXPECT_EQ(back.Get(TField::Track), "");
    EXPECT_EQ(back.GetComment(), std::string(length, 'n'));
  }
}

TEST_F(MP3Tag, TrackFitsABlockOnlyWithinItsThreeCharacters) {
  TMP3Tag tag;
  tag.ReadTag(Song(Audio(200) + Block("", "", "", "", "", 255)));
  // A text that fits is stored as it reads; one cut to three characters would change its number.
  const std::pair<std::string, bool> cases[] = {
      {"7", true}, {"012", true}, {"255", true}, {"0127", false}, {"0000000127", false}};
  for (const auto& [text, fits] : cases) EXPECT_EQ(tag.Fits(TField::Track, text), fits) << text;
}

TEST_F(MP3Tag, FirstFieldOfAFileWithoutTagMakesABlockThatIsAppendedOnce) {
  const std::string audio = Audio(777);
  TMP3Tag tag;
  tag.ReadTag(Song(audio));
  tag.SetTitle("Fresh");
  EXPECT_TRUE(tag.HasTag());
  EXPECT_TRUE(tag.HasTitle());
  EXPECT_TRUE(tag.Modified());
  tag.WriteTag();
  EXPECT_FALSE(tag.Modified());
  EXPECT_EQ(ReadFileBytes(FPath), audio + Block("Fresh", "", "", "", "", 255)) << "no genre";
  tag.SetArtist("Band");
  tag.WriteTag();
  EXPECT_EQ(ReadFileBytes(FPath), audio + Block("Fresh", "Band", "", "", "", 255));
}

TEST_F(MP3Tag, BlockStoreKeepsGenreAndStaleBytes) {
  const std::string audio = Audio(300);
  TMP3Tag tag;
  tag.ReadTag(Song(audio + Block("Hello World", "", "", "", "", 0x8F)));
  tag.SetTitle("Hi");
  tag.WriteTag();
  std::string expected = audio + Block("Hello World", "", "", "", "", 0x8F);
  expected[audio.size() + 3 + 2] = '\0';
  expected[audio.size() + 3 + 1] = 'i';
  expected[audio.size() + 3] = 'H';
  EXPECT_EQ(ReadFileBytes(FPath), expected);
}

TEST_F(MP3Tag, WriteTagWritesOnlyWhenModified) {
  TMP3Tag tag;
  tag.ReadTag(Song(Audio(300)));
  tag.WriteTag();
  EXPECT_EQ(ReadFileBytes(FPath), Audio(300)) << "unmodified: the file is not touched";
  tag.SetTitle("Once");
  tag.WriteTag();
  std::filesystem::remove(FPath);
  tag.WriteTag();  // Modified is false: nothing is opened, nothing raised
  EXPECT_FALSE(std::filesystem::exists(FPath));
}

TEST_F(MP3Tag, Version2SaveRewritesTheFileAndReportsFailure) {
  const std::string audio = Audio(2000) + Block("v1", "", "", "", "", 0);
  TMP3Tag tag;
  tag.ReadTag(Song(Tag(Frame("TIT2", "\0Old"s) + Frame("TRCK",
                                                       "\0"
                                                       "300"s),
                       64) +
                   audio));
  tag.SetTitle("New");
  tag.WriteTag();
  EXPECT_FALSE(tag.Modified());
  // As long as the old title: written in place, the padding kept.
  EXPECT_EQ(ReadFileBytes(FPath), Tag(Frame("TIT2", "\0New"s) + Frame("TRCK",
                                                                      "\0"
                                                                      "300"s),
                                      64) +
                                      audio);

  tag.SetTitle("Lost");
  std::filesystem::remove(FPath);
  EXPECT_EQ(SaveFailure(tag), "The file is gone.");
  EXPECT_TRUE(tag.Modified());
}

TEST_F(MP3Tag, FullPathIsNeverCut) {
  std::string folder = Dir.Path();
  for (int i = 0; i < 3; ++i) {
    folder += "/" + std::string(100, char('a' + i));
    std::filesystem::create_directory(folder);
  }
  // A file whose path cut to 255 characters would name another file.
  const std::string path = folder + "/song.mp3";
  const std::string decoy = path.substr(0, 255);
  WriteFileBytes(path, Tag(Frame("TIT2", "\0Deep"s)));
  TMP3Tag tag;
  tag.ReadTag(path);
  EXPECT_EQ(tag.FullPath(), path);
  tag.SetTitle("Saved");
  tag.WriteTag();
  EXPECT_EQ(ReadVersion2(path).Title(), "Saved");
  EXPECT_FALSE(std::filesystem::exists(decoy));

  tag.SetTitle("Failed");
  std::filesystem::remove(path);
  try {
    tag.WriteTag();
    ADD_FAILURE() << "a save of a file that is gone fails";
  } catch (const TFileOpenError& error) {
    EXPECT_EQ(error.Path(), path);
  }
}

TEST_F(MP3Tag, ConvertToVersion2CarriesTheValuesTrackAndGenre) {
  const std::string audio = Audio(400);
  std::string block = Block("Title", "Artist", "Album", "1999", "Comment", 17);
  block[126] = 7;
  TMP3Tag tag;
  tag.ReadTag(Song(audio + block));
  tag.ConvertToVersion2();
  EXPECT_TRUE(tag.IsVersion2());
  EXPECT_TRUE(tag.Modified());
  EXPECT_TRUE(tag.HasTitle());
  tag.SetTitle(std::string(40, 'T'));
  tag.WriteTag();
  // The block stays at the end; the new tag is read first from now on.
  const TParsed back = ReadVersion2(FPath);
  EXPECT_EQ(back.Title(), std::string(40, 'T'));
  EXPECT_EQ(back.Artist(), "Artist");
  EXPECT_EQ(back.Album(), "Album");
  EXPECT_EQ(back.Year(), "1999");
  EXPECT_EQ(back.Comment(), "Comment");
  EXPECT_EQ(back.Track(), "7");
  EXPECT_EQ(back.Genre(), "(17)") << "the genre's number, as common writers put it";
  const std::string bytes = ReadFileBytes(FPath);
  EXPECT_EQ(bytes.substr(bytes.size() - audio.size() - 128), audio + block);
}

TEST_F(MP3Tag, FileShorterThanATagHeaderConvertedToVersion2IsSaved) {
  // An empty or cut file takes a text its block cannot hold once the person chooses version 2.
  for (const std::string& file : {""s, "\xFF\xFB"s, "ID3\x03\x00"s}) {
    SCOPED_TRACE(file.size());
    TMP3Tag tag;
    tag.ReadTag(Song(file));
    tag.ConvertToVersion2();
    tag.SetTitle("\u65e5\u672c");
    EXPECT_EQ(SaveFailure(tag), "");
    // A new tag is written by a rewrite, with padding for later edits.
    const std::int64_t padding = PaddingFor(std::int64_t(file.size()));
    EXPECT_EQ(ReadFileBytes(FPath),
              Tag(Frame("TIT2", "\x01\xFF\xFE\xE5\x65\x2C\x67"s), std::size_t(padding)) + file);
  }
}

TEST_F(MP3Tag, ConvertingEmptyFieldsLeavesTheFlags) {
  TMP3Tag tag;
  tag.ReadTag(Song(Audio(100) + Block("", "", "", "", "", 255)));  // no track, no genre
  tag.ConvertToVersion2();
  EXPECT_TRUE(tag.IsVersion2());
  EXPECT_FALSE(tag.Modified());
  EXPECT_FALSE(tag.HasTitle());
  tag.SetTitle("x");
  tag.ConvertToVersion2();  // already version 2: nothing happens
  EXPECT_EQ(tag.GetTitle(), "x");
}

TEST_F(MP3Tag, HasTitleFollowsTheFieldSetters) {
  TMP3Tag tag;
  tag.ReadTag(Song(Audio(100) + Block("Title", "", "", "", "", 0)));
  EXPECT_TRUE(tag.HasTitle());
  tag.SetTitle("  ");
  EXPECT_FALSE(tag.HasTitle()) << "only spaces read as empty";
  tag.SetArtist("a");
  EXPECT_FALSE(tag.HasTitle());
  tag.SetTitle(" x");
  EXPECT_TRUE(tag.HasTitle());
}

}  // namespace

namespace {

// An edit taken back leaves the tag as read: a field set back to what the file holds is not
// written, and a tag whose fields all are is no longer modified, block marker and kind included.
TEST_F(MP3Tag, FieldsSetBackToWhatTheFileHoldsAreNoLongerModified) {
  const struct {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"no tag", Audio(100)},
      {"block", Audio(100) + Block("Title", "Band", "", "", "", 17)},
      {"ID3v2", Tag(Frame("TIT2", "\0Title"s) + Frame("TPE1", "\0Band"s))},
      // An undo sets back the value shown, which has no spaces at its end.
      {"ID3v2 texts with spaces at their end",
       Tag(Frame("TIT2", "\0Title "s) + Frame("TPE1", "\0Band  "s))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TMP3Tag tag;
    tag.ReadTag(Song(c.Bytes));
    const bool hadTag = tag.HasTag();
    const std::string title = tag.GetTitle();
    tag.SetTitle("Other");
    tag.SetArtist("Other band");
    EXPECT_TRUE(tag.IsSet(TField::Title));
    tag.SetTitle(title);
    EXPECT_FALSE(tag.IsSet(TField::Title));
    EXPECT_TRUE(tag.Modified());
    tag.SetArtist(c.Name == std::string("no tag") ? "" : "Band");
    EXPECT_FALSE(tag.Modified());
    EXPECT_EQ(tag.HasTag(), hadTag);
    tag.WriteTag();
    EXPECT_EQ(ReadFileBytes(FPath), c.Bytes);
  }
  // A conversion is taken back through the state kept before it.
  TMP3Tag tag;
  tag.ReadTag(Song(Audio(100) + Block("Title", "", "", "", "", 17)));
  TMP3Tag::TState before = tag.State();
  tag.ConvertToVersion2();
  tag.SetTitle(std::string(40, 'T'));
  ASSERT_TRUE(tag.IsVersion2());
  tag.Restore(std::move(before));
  EXPECT_FALSE(tag.IsVersion2());
  EXPECT_FALSE(tag.Modified());
  EXPECT_EQ(tag.GetTitle(), "Title");
}

}  // namespace
