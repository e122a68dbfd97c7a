// ID3v2 tags on files: reading, and the rewrite through a new file beside the old one.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tagbytes.h"
#include "tags/bytesource.h"
#include "tags/fileerror.h"
#include "tags/id3v2build.h"
#include "tags/id3v2save.h"
#include "tags/mp3tag.h"
#include "tags/posixfile.h"
#include "tags/rewrite.h"
#include "tests/common/tempdir.h"

namespace {

using namespace std::string_literals;

class ID3v2File : public testing::Test {
 protected:
  std::string Song(const std::string& bytes) {
    WriteFileBytes(FPath, bytes);
    return FPath;
  }
  // Rewrites the file with its title set, as a save does; throws TFileOpenError on failure.
  void SaveTitle(const std::string& title, const std::string& path = "") {
    TTagValues values;
    values.Texts[std::size_t(TField::Title)] = title;
    values.Set = Bit(TField::Title);
    RewriteFile(path.empty() ? FPath : path, nullptr,
                [&](TByteSource& file) { return SavedTag(file, values); });
  }

  TTempDir Dir;
  std::string FPath = Dir / "song.mp3";
};

TEST_F(ID3v2File, ReadSkipsLargeBodiesWherePicturesSit) {
  // A picture bigger than any read window lies between the text frames.
  const std::string frames =
      Frame("TIT2", "\0Before"s) + Frame("APIC", Audio(300000)) + Frame("TPE1", "\0After"s);
  TMP3Tag tag;
  tag.ReadTag(Song(Tag(frames, 2048) + Audio(4000)));
  EXPECT_EQ(tag.GetTitle(), "Before");
  EXPECT_EQ(tag.GetArtist(), "After");
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
    SaveTitle("New");
    EXPECT_EQ(ReadFileBytes(FPath), c.New + c.Kept + audio);
  }
}

TEST_F(ID3v2File, SaveStartsFromTheTagInTheFileAtThatMoment) {
  TMP3Tag tag;
  tag.ReadTag(Song(Tag(Frame("TIT2", "\0Old"s)) + Audio(100)));
  tag.SetAlbum("Album");
  // Another program adds a frame after the read, writing the file in place.
  WriteFileBytes(FPath, Tag(Frame("TIT2", "\0Old"s) + Frame("TPE1", "\0Other"s)) + Audio(100));
  tag.WriteTag();
  // The tag grew: the file is rewritten with padding.
  const std::string frames =
      Frame("TIT2", "\0Old"s) + Frame("TPE1", "\0Other"s) + Frame("TALB", "\0Album"s);
  const std::int64_t size = std::int64_t(Tag(frames).size()) - 11 + 100;
  EXPECT_EQ(ReadFileBytes(FPath), Tag(frames, std::size_t(PaddingFor(size))) + Audio(100));
  // What was saved counts as unset: a second save changes no more than the file holds.
  const std::string elsewhere = Tag(Frame("TALB", "\0Changed elsewhere"s));
  WriteFileBytes(FPath, elsewhere + Audio(100));
  tag.SetTitle("T");
  tag.WriteTag();
  const std::string frames2 = Frame("TIT2", "\0T"s) + Frame("TALB", "\0Changed elsewhere"s);
  EXPECT_EQ(ReadFileBytes(FPath),
            Tag(frames2, std::size_t(PaddingFor(std::int64_t(elsewhere.size()) + 100))) +
                Audio(100));
}

TEST_F(ID3v2File, FileOfOnlyATagBecomesExactlyTheNewTag) {
  Song(Tag(Frame("TIT2", "\0Old title"s)));
  SaveTitle("N");
  EXPECT_EQ(ReadFileBytes(FPath), Tag(Frame("TIT2", "\0N"s)));
}

TEST_F(ID3v2File, WriteFailsAndWritesNothingOnAMissingFileOrATagThatCannotBeMade) {
  EXPECT_THROW(SaveTitle("x", Dir / "missing.mp3"), TFileOpenError);
  Song("ID3\x03"s);
  EXPECT_THROW(RewriteFile(FPath, nullptr, [](TByteSource&) { return std::optional<TNewTag>(); }),
               TFileOpenError);
  EXPECT_EQ(ReadFileBytes(FPath), "ID3\x03");
  EXPECT_EQ(FolderEntries(Dir.Path()), std::set<std::string>{"song.mp3"});
}

// Whatever lies under the temporary names (a backup, a link, a folder) is not the save's: it
// takes the next free name and leaves every other entry as it was.
TEST_F(ID3v2File, EntriesUnderTemporaryNamesAreLeftAlone) {
  const std::string victim = Dir / "victim.txt";
  WriteFileBytes(victim, "keep me");
  const std::string taken = Dir / TemporaryName("song.mp3");
  ASSERT_EQ(taken, Dir / "song.mp~");
  struct TCase {
    const char* Name;
    std::function<void()> Make;
  } cases[] = {
      {"link", [&] { ASSERT_EQ(::symlink(victim.c_str(), taken.c_str()), 0); }},
      {"backup", [&] { WriteFileBytes(taken, "a backup"); }},
      {"folder", [&] { std::filesystem::create_directory(taken); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    c.Make();
    WriteFileBytes(FPath + "~", "cp -b backup");
    Song(Audio(100));
    const std::set<std::string> before = FolderEntries(Dir.Path());
    SaveTitle("t");
    EXPECT_EQ(ReadFileBytes(FPath), Tag(Frame("TIT2", "\0t"s)) + Audio(100));
    EXPECT_EQ(ReadFileBytes(victim), "keep me");
    EXPECT_EQ(FolderEntries(Dir.Path()), before);
    std::filesystem::remove_all(taken);
  }
  EXPECT_EQ(TemporaryName("song.mp3", 1), "song.m~1");
}

TEST_F(ID3v2File, PermissionBitsAreKeptAndReadOnlyFilesRefused) {
  for (const mode_t mode : {mode_t(0664), mode_t(0640), mode_t(0755), mode_t(0444), mode_t(0400)}) {
    SCOPED_TRACE(mode);
    std::filesystem::remove(FPath);
    Song(Audio(100));
    ASSERT_EQ(::chmod(FPath.c_str(), mode), 0);
    const bool readOnly = (mode & S_IWUSR) == 0;
    if (readOnly)
      EXPECT_THROW(SaveTitle("t"), TFileOpenError);
    else
      SaveTitle("t");
    struct stat status {};
    ASSERT_EQ(::stat(FPath.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, mode);
    EXPECT_EQ(ReadFileBytes(FPath),
              readOnly ? Audio(100) : Tag(Frame("TIT2", "\0t"s)) + Audio(100));
  }
}

TEST_F(ID3v2File, SymbolicLinkRewritesTheFileItNames) {
  const std::string real = Dir / "real.mp3";
  WriteFileBytes(real, Audio(64));
  ASSERT_EQ(::symlink(real.c_str(), FPath.c_str()), 0);
  SaveTitle("t");
  EXPECT_TRUE(std::filesystem::is_symlink(FPath));
  EXPECT_EQ(ReadFileBytes(real), Tag(Frame("TIT2", "\0t"s)) + Audio(64));
  EXPECT_EQ(FolderEntries(Dir.Path()), (std::set<std::string>{"real.mp3", "song.mp3"}));
}

}  // namespace
