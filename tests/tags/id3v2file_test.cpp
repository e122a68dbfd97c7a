// TID3v2 on files: reading, and the rewrite through a new file beside the old one.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tagbytes.h"
#include "tags/bytesource.h"
#include "tags/id3v2.h"
#include "tags/posixfile.h"
#include "tests/common/tempdir.h"

namespace {

using namespace std::string_literals;

class ID3v2File : public testing::Test {
 protected:
  std::string Song(const std::string& bytes) {
    WriteFileBytes(FPath, bytes);
    return FPath;
  }
  TID3v2 TitleTag(const std::string& title) {
    TID3v2 tag;
    tag.SetTitle(title);
    return tag;
  }

  TTempDir Dir;
  std::string FPath = Dir / "song.mp3";
};

TEST_F(ID3v2File, ReadFromFileFailsOnlyWithoutTenBytes) {
  TID3v2 tag;
  tag.SetTitle("stale");
  EXPECT_FALSE(tag.ReadFromFile(Dir / "missing.mp3"));
  EXPECT_EQ(tag.Title(), "");
  EXPECT_FALSE(tag.ReadFromFile(Song("ID3\x03\x00"s)));
  EXPECT_FALSE(tag.Exists());
  EXPECT_TRUE(tag.ReadFromFile(Song(Audio(10))));
  EXPECT_FALSE(tag.Exists());
  EXPECT_TRUE(tag.ReadFromFile(Song(Tag(Frame("TIT2", "\0Abc"s)) + Audio(50))));
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.Title(), "Abc");
}

TEST_F(ID3v2File, ReadSkipsLargeBodiesWherePicturesSit) {
  // A picture bigger than any read window lies between the text frames.
  const std::string frames =
      Frame("TIT2", "\0Before"s) + Frame("APIC", Audio(300000)) + Frame("TPE1", "\0After"s);
  TID3v2 tag;
  ASSERT_TRUE(tag.ReadFromFile(Song(Tag(frames, 2048) + Audio(4000))));
  EXPECT_EQ(tag.Title(), "Before");
  EXPECT_EQ(tag.Artist(), "After");
}

// Reads copy what the range holds; views give all of it or nothing: a file source whatever a
// window holds, memory whatever lies inside.
TEST_F(ID3v2File, FileSourceGivesTheBytesOfEveryRange) {
  const std::string bytes = Audio(20000);
  const TPosixFile file(Song(bytes), TFileAccess::Read);
  TFileSource source(file, FPath);
  TMemorySource memory(bytes);
  // Ranges inside a window, across windows, back to an earlier window, larger than a window,
  // and reaching past the end.
  const std::pair<std::int64_t, std::size_t> ranges[] = {
      {0, 10},     {4090, 20}, {10, 100}, {15000, 10}, {12, 10},     {100, 9000},
      {19990, 50}, {20000, 1}, {-1, 5},   {0, 0},      {4096, 4096}, {8000, 12000},
  };
  for (const auto& [offset, n] : ranges) {
    SCOPED_TRACE(offset);
    std::string got(n, '?');
    got.resize(source.ReadAt(offset, reinterpret_cast<std::uint8_t*>(got.data()), n));
    const std::string expected =
        offset < 0 || offset >= std::int64_t(bytes.size()) ? "" : bytes.substr(offset, n);
    EXPECT_EQ(got, expected);
    const bool inside = offset >= 0 && offset + std::int64_t(n) <= std::int64_t(bytes.size());
    const std::optional<std::string_view> fromFile = source.View(offset, n);
    const std::optional<std::string_view> fromMemory = memory.View(offset, n);
    EXPECT_EQ(fromFile.has_value(), inside && n <= 4096);
    EXPECT_EQ(fromMemory.has_value(), inside);
    EXPECT_EQ(fromFile.value_or(expected), expected);
    EXPECT_EQ(fromMemory.value_or(expected), expected);
  }
}

TEST_F(ID3v2File, WriteReplacesTheOldTagByItsExtent) {
  const std::string audio = Audio(5000) + Block("v1", "", "", "", "", 9);
  const std::string picture = Frame("APIC", "p");
  struct TCase {
    const char* Name;
    std::string Old;   // what stands before the audio
    std::string New;   // the tag written
    std::string Kept;  // what of the old stays behind the new tag
  } cases[] = {
      {"no tag", "", Tag(Frame("TIT2", "\0New"s)), ""},
      {"version 2.3 with padding", Tag(Frame("TIT2", "\0Old"s) + picture, 500),
       Tag(Frame("TIT2", "\0New"s) + picture), ""},
      {"version 2.4 with footer",
       TagOf(4, picture, 0x10) + "3DI" +
           TagHeader(4, std::uint32_t(picture.size()), 0x10).substr(3),
       TagOf(4, Frame24("TIT2", "\0New"s) + picture), ""},
      {"length beyond the file", TagHeader(3, 0x0FFFFFFF) + "TIT2", Tag(Frame("TIT2", "\0New"s)),
       TagHeader(3, 0x0FFFFFFF) + "TIT2"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Song(c.Old + audio);
    ASSERT_TRUE(TitleTag("New").WriteToFile(FPath));
    EXPECT_EQ(ReadFileBytes(FPath), c.New + c.Kept + audio);
  }
}

TEST_F(ID3v2File, SaveStartsFromTheTagInTheFileAtThatMoment) {
  TID3v2 tag;
  ASSERT_TRUE(tag.ReadFromFile(Song(Tag(Frame("TIT2", "\0Old"s)) + Audio(100))));
  tag.SetAlbum("Album");
  // Another program adds a frame after the read.
  Song(Tag(Frame("TIT2", "\0Old"s) + Frame("TPE1", "\0Other"s)) + Audio(100));
  ASSERT_TRUE(tag.WriteToFile(FPath));
  EXPECT_EQ(ReadFileBytes(FPath),
            Tag(Frame("TIT2", "\0Old"s) + Frame("TPE1", "\0Other"s) + Frame("TALB", "\0Album"s)) +
                Audio(100));
  // What was saved counts as unset: a second save changes no more than the file holds.
  Song(Tag(Frame("TALB", "\0Changed elsewhere"s)) + Audio(100));
  tag.SetTitle("T");
  ASSERT_TRUE(tag.WriteToFile(FPath));
  EXPECT_EQ(ReadFileBytes(FPath),
            Tag(Frame("TIT2", "\0T"s) + Frame("TALB", "\0Changed elsewhere"s)) + Audio(100));
}

TEST_F(ID3v2File, FileOfOnlyATagBecomesExactlyTheNewTag) {
  Song(Tag(Frame("TIT2", "\0Old title"s)));
  ASSERT_TRUE(TitleTag("N").WriteToFile(FPath));
  EXPECT_EQ(ReadFileBytes(FPath), Tag(Frame("TIT2", "\0N"s)));
  TID3v2 back;
  ASSERT_TRUE(back.ReadFromFile(FPath));
  EXPECT_EQ(back.Size(), 22);
}

TEST_F(ID3v2File, WriteFailsAndWritesNothingOnAShortOrMissingFile) {
  EXPECT_FALSE(TitleTag("x").WriteToFile(Dir / "missing.mp3"));
  Song("ID3\x03"s);
  EXPECT_FALSE(TitleTag("x").WriteToFile(FPath));
  EXPECT_EQ(ReadFileBytes(FPath), "ID3\x03");
  EXPECT_EQ(FolderEntries(Dir.Path()), std::set<std::string>{"song.mp3"});
}

// A link under the temporary name, or under the name earlier versions used, is never written
// through: the one is removed like a leftover, the other left alone.
TEST_F(ID3v2File, TemporaryNameAsSymbolicLinkDoesNotWriteThroughIt) {
  const std::string victim = Dir / "victim.txt";
  WriteFileBytes(victim, "keep me");
  for (const std::string& link : {TemporaryName(FPath), FPath + "~"}) {
    SCOPED_TRACE(link);
    ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
    Song(Audio(100));
    ASSERT_TRUE(TitleTag("t").WriteToFile(FPath));
    EXPECT_EQ(ReadFileBytes(victim), "keep me");
    EXPECT_EQ(ReadFileBytes(FPath), Tag(Frame("TIT2", "\0t"s)) + Audio(100));
    std::filesystem::remove(link);
  }
}

TEST_F(ID3v2File, TemporaryNameAsFolderFailsAndLeavesItAlone) {
  const std::string original = Tag(Frame("TIT2", "\0Old"s)) + Audio(300);
  Song(original);
  const std::string temp = Dir / TemporaryName("song.mp3");
  ASSERT_EQ(temp, Dir / "song.mp~");
  ASSERT_TRUE(std::filesystem::create_directory(temp));
  WriteFileBytes(temp + "/inside", "data");
  EXPECT_FALSE(TitleTag("New").WriteToFile(FPath));
  EXPECT_EQ(ReadFileBytes(FPath), original);
  EXPECT_EQ(ReadFileBytes(temp + "/inside"), "data");
}

TEST_F(ID3v2File, NewFileKeepsPermissionBitsWithOwnerWriteAdded) {
  for (const mode_t mode : {mode_t(0664), mode_t(0640), mode_t(0444), mode_t(0400), mode_t(0755)}) {
    SCOPED_TRACE(mode);
    std::filesystem::remove(FPath);
    Song(Audio(100));
    ASSERT_EQ(::chmod(FPath.c_str(), mode), 0);
    ASSERT_TRUE(TitleTag("t").WriteToFile(FPath)) << "a read-only file is rewritten all the same";
    struct stat status {};
    ASSERT_EQ(::stat(FPath.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, mode | S_IWUSR);
  }
}

TEST_F(ID3v2File, SymbolicLinkRewritesTheFileItNames) {
  const std::string real = Dir / "real.mp3";
  WriteFileBytes(real, Audio(64));
  ASSERT_EQ(::symlink(real.c_str(), FPath.c_str()), 0);
  ASSERT_TRUE(TitleTag("t").WriteToFile(FPath));
  EXPECT_TRUE(std::filesystem::is_symlink(FPath));
  EXPECT_EQ(ReadFileBytes(real), Tag(Frame("TIT2", "\0t"s)) + Audio(64));
  EXPECT_EQ(FolderEntries(Dir.Path()), (std::set<std::string>{"real.mp3", "song.mp3"}));
}

TEST_F(ID3v2File, FailedWriteKeepsTheObjectsValues) {
  TID3v2 tag = TitleTag("Keep");
  EXPECT_FALSE(tag.WriteToFile(Dir / "missing.mp3"));
  EXPECT_EQ(tag.Title(), "Keep");
}

}  // namespace
