// A save writes only the file that was read: not a link or another file put under its name
// since, not a file whose kind of tag changed; what a rewrite keeps of the file (extended
// attributes, long names); and what it leaves behind (nothing).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tagbytes.h"
#include "tags/fileerror.h"
#include "tags/mp3tag.h"
#include "tests/common/tempdir.h"

namespace {

using namespace std::string_literals;

const std::string Version2Bytes = Tag(Frame("TIT2", "\0Old"s)) + Audio(3000);
const std::string Version1Bytes = Audio(3000) + Block("Old", "", "", "", "", 7);
const std::string NoTagBytes = Audio(3000);

class SaveTarget : public testing::Test {
 protected:
  // Saves the tag; true when the file was written. A failure counts as not written, with its
  // reason kept.
  bool Save(TMP3Tag& tag) {
    Reports.clear();
    try {
      tag.WriteTag();
    } catch (const TFileChangedError& error) {
      Reports.push_back(error.Reason());
    } catch (const TFileOpenError& error) {
      Reports.push_back("open error: " + error.Reason());
    }
    return !tag.Modified();
  }

  std::set<std::string> Entries(const std::string& folder) const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      names.insert(entry.path().filename());
    return names;
  }

  TTempDir Dir;
  TTempDir Elsewhere;  // a folder of the person's own, outside the scanned one
  std::string FPath = Dir / "song.mp3";
  std::vector<std::string> Reports;
};

struct TChangeCase {
  const char* Name;
  const std::string* Before;
  // What happens to the file between the read and the save.
  std::function<void(const std::string& path, const std::string& outside)> Change;
};

// Every one of these leaves the file a changed one: nothing is written, neither the file under
// the name nor anything a link leads to, the edit stays unsaved and the message says why.
TEST_F(SaveTarget, FileChangedSinceItWasReadIsNotWritten) {
  const auto plantLink = [](const std::string& path, const std::string& outside) {
    std::filesystem::remove(path);
    std::filesystem::create_symlink(outside, path);
  };
  const auto replace = [](const std::string& path, const std::string&) {
    WriteFileBytes(path + ".new", Version2Bytes);
    std::filesystem::rename(path + ".new", path);
  };
  const auto truncate = [](const std::string& path, const std::string&) {
    std::filesystem::resize_file(path, 1000);
  };
  const auto prependTag = [](const std::string& path, const std::string&) {
    WriteFileBytes(path, Tag(Frame("TIT2", "\0Theirs"s)) + ReadFileBytes(path));
  };
  const auto appendBlock = [](const std::string& path, const std::string&) {
    WriteFileBytes(path, ReadFileBytes(path) + Block("Theirs", "", "", "", "", 1));
  };
  const TChangeCase cases[] = {
      {"link planted, version 2", &Version2Bytes, plantLink},
      {"link planted, version 1", &Version1Bytes, plantLink},
      {"link planted, no tag", &NoTagBytes, plantLink},
      {"replaced, version 2", &Version2Bytes, replace},
      {"replaced, version 1", &Version1Bytes, replace},
      {"truncated, version 2", &Version2Bytes,
       [](const std::string& path, const std::string&) { std::filesystem::resize_file(path, 5); }},
      {"truncated, version 1", &Version1Bytes, truncate},
      {"tag given, version 1", &Version1Bytes, prependTag},
      {"tag given, no tag", &NoTagBytes, prependTag},
      {"block given, no tag", &NoTagBytes, appendBlock},
  };
  const std::string outside = Elsewhere / "passwd";
  for (const TChangeCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::filesystem::remove(FPath);
    WriteFileBytes(FPath, *c.Before);
    WriteFileBytes(outside, "root:x:0:0::/root:/bin/sh\n");
    TMP3Tag tag;
    tag.ReadTag(FPath);
    tag.SetTitle("evil::0:0:pwned:/root:/bin/sh");
    c.Change(FPath, outside);
    const std::string changed = ReadFileBytes(FPath);

    EXPECT_FALSE(Save(tag));
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports[0].find("The file changed since it was read"), std::string::npos)
        << Reports[0];
    EXPECT_EQ(ReadFileBytes(outside), "root:x:0:0::/root:/bin/sh\n");
    EXPECT_EQ(ReadFileBytes(FPath), changed);
    EXPECT_EQ(Entries(Dir.Path()), std::set<std::string>{"song.mp3"});
  }
}

// A path that was a link when it was read: the save follows it again, rewriting the file it
// points to, and the link stays. Pointing it at another file since counts as a change.
TEST_F(SaveTarget, LinkThatWasThereWhenReadIsFollowed) {
  for (const std::string* before : {&Version2Bytes, &Version1Bytes}) {
    SCOPED_TRACE(before == &Version2Bytes ? "version 2" : "version 1");
    const std::string real = Elsewhere / "real.mp3";
    std::filesystem::remove(FPath);
    WriteFileBytes(real, *before);
    std::filesystem::create_symlink(real, FPath);
    TMP3Tag tag;
    tag.ReadTag(FPath);
    tag.SetTitle("New");
    EXPECT_TRUE(Save(tag)) << (Reports.empty() ? "" : Reports[0]);
    EXPECT_TRUE(std::filesystem::is_symlink(FPath));
    TMP3Tag back;
    back.ReadTag(real);
    EXPECT_EQ(back.GetTitle(), "New");

    const std::string other = Elsewhere / "other.mp3";
    WriteFileBytes(other, *before);
    std::filesystem::remove(FPath);
    std::filesystem::create_symlink(other, FPath);
    tag.SetTitle("Newer");
    EXPECT_FALSE(Save(tag));
    EXPECT_EQ(ReadFileBytes(other), *before);
    std::filesystem::remove(other);
    std::filesystem::remove(real);
  }
}

// The tag object follows its own saves: the file a rewrite put under the name, and the block
// an append gave the file, are the file as last written.
TEST_F(SaveTarget, LaterSavesOfTheSameTagFollowItsOwnWrites) {
  for (const std::string* before : {&Version2Bytes, &Version1Bytes, &NoTagBytes}) {
    std::filesystem::remove(FPath);
    WriteFileBytes(FPath, *before);
    TMP3Tag tag;
    tag.ReadTag(FPath);
    for (const char* title : {"One", "Two", "Three"}) {
      SCOPED_TRACE(title);
      tag.SetTitle(title);
      EXPECT_TRUE(Save(tag)) << (Reports.empty() ? "" : Reports[0]);
    }
    tag.ConvertToVersion2();
    tag.SetArtist("A long artist name that no version 1 block can hold");
    EXPECT_TRUE(Save(tag)) << (Reports.empty() ? "" : Reports[0]);
    TMP3Tag back;
    back.ReadTag(FPath);
    EXPECT_EQ(back.GetTitle(), "Three");
    EXPECT_EQ(back.GetArtist(), "A long artist name that no version 1 block can hold");
  }
}

// A block another program changed since the read keeps that program's fields; the fields set
// here go in.
TEST_F(SaveTarget, BlockStoreWritesTheSetFieldsIntoTheBlockAsItIsNow) {
  WriteFileBytes(FPath, Audio(500) + Block("Old", "Old artist", "", "", "", 7));
  TMP3Tag tag;
  tag.ReadTag(FPath);
  tag.SetTitle("Mine");
  WriteFileBytes(FPath, Audio(500) + Block("Old", "Their artist", "Their album", "", "", 9));
  EXPECT_TRUE(Save(tag));
  EXPECT_EQ(ReadFileBytes(FPath),
            Audio(500) + Block("Mine", "Their artist", "Their album", "", "", 9));
}

TEST_F(SaveTarget, NameOf255BytesIsSaved) {
  const std::string name = std::string(251, 'n') + ".mp3";
  const std::string path = Dir / name;
  WriteFileBytes(path, Version2Bytes);
  TMP3Tag tag;
  tag.ReadTag(path);
  tag.SetTitle("Long name");
  EXPECT_TRUE(Save(tag)) << (Reports.empty() ? "" : Reports[0]);
  EXPECT_EQ(Entries(Dir.Path()), std::set<std::string>{name});
  TMP3Tag back;
  back.ReadTag(path);
  EXPECT_EQ(back.GetTitle(), "Long name");
}

// A save removes nothing but what it made itself: backups beside songs ("song.mp3~" as cp -b
// and editors make them) and whatever else lies in the folder stay.
TEST_F(SaveTarget, SaveLeavesEveryOtherEntryOfItsFolderAlone) {
  WriteFileBytes(FPath, Version2Bytes);
  WriteFileBytes(Dir / "other.mp3", NoTagBytes);
  const std::vector<std::string> others = {"song.mp~",   "song.mp3~", "other.mp~", "other.mp3~",
                                           "lonely.mp~", "notes~",    "other.mp4~"};
  for (const std::string& name : others) WriteFileBytes(Dir / name, "a backup");
  std::filesystem::create_directory(Dir / "folder.mp~");
  TMP3Tag tag;
  tag.ReadTag(FPath);
  tag.SetTitle("New");
  const std::set<std::string> before = Entries(Dir.Path());
  EXPECT_TRUE(Save(tag)) << (Reports.empty() ? "" : Reports[0]);
  EXPECT_EQ(Entries(Dir.Path()), before);
  for (const std::string& name : others) EXPECT_EQ(ReadFileBytes(Dir / name), "a backup");
}

// Extended attributes, an access list among them, are carried over to the rewritten file.
TEST_F(SaveTarget, RewriteKeepsExtendedAttributes) {
  WriteFileBytes(FPath, Version2Bytes);
  // An access list giving user 1234 read access: version 2, then (tag, permissions, id) entries.
  std::string acl("\x02\0\0\0"s);
  for (const auto& [tagId, perm, id] : {std::tuple{0x01, 6, 0xFFFFFFFFu},
                                        {0x02, 4, 1234u},
                                        {0x04, 4, 0xFFFFFFFFu},
                                        {0x10, 4, 0xFFFFFFFFu},
                                        {0x20, 4, 0xFFFFFFFFu}}) {
    const std::uint16_t fields[2] = {std::uint16_t(tagId), std::uint16_t(perm)};
    acl.append(reinterpret_cast<const char*>(fields), sizeof fields);
    acl.append(reinterpret_cast<const char*>(&id), sizeof id);
  }
  const std::vector<std::pair<std::string, std::string>> attributes = {
      {"user.rating", "5 stars"}, {"system.posix_acl_access", acl}};
  for (const auto& [name, value] : attributes) {
    if (::setxattr(FPath.c_str(), name.c_str(), value.data(), value.size(), 0) != 0)
      GTEST_SKIP() << "this file system keeps no " << name;
  }
  TMP3Tag tag;
  tag.ReadTag(FPath);
  tag.SetTitle("New");
  ASSERT_TRUE(Save(tag)) << (Reports.empty() ? "" : Reports[0]);
  for (const auto& [name, value] : attributes) {
    SCOPED_TRACE(name);
    std::string read(256, '\0');
    const ssize_t size = ::getxattr(FPath.c_str(), name.c_str(), read.data(), read.size());
    ASSERT_GE(size, 0);
    read.resize(std::size_t(size));
    EXPECT_EQ(read, value);
  }
}

}  // namespace
