// Saves through the journal: in place where the tag fits, one record for a batch, a save cut
// short finished from its record, and the last save undone byte for byte.
#include "tags/tagsaver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tagbytes.h"
#include "tags/fileerror.h"
#include "tags/id3v2build.h"
#include "tags/journal.h"
#include "tags/mp3tag.h"
#include "tests/common/tempdir.h"

namespace {

using namespace std::string_literals;

ino_t InodeOf(const std::string& path) {
  struct stat status {};
  ::stat(path.c_str(), &status);
  return status.st_ino;
}

TFileIdentity IdentityOf(const std::string& path) {
  struct stat status {};
  ::stat(path.c_str(), &status);
  return {status.st_dev, status.st_ino, false};
}

class TagSaver : public testing::Test {
 protected:
  std::string Song(const std::string& name, const std::string& bytes) {
    WriteFileBytes(Dir / name, bytes);
    return Dir / name;
  }
  // Reads each file and sets the album of each.
  std::vector<std::unique_ptr<TMP3Tag>> Edited(const std::vector<std::string>& paths,
                                               const std::string& album) {
    std::vector<std::unique_ptr<TMP3Tag>> tags;
    for (const std::string& path : paths) {
      tags.push_back(std::make_unique<TMP3Tag>());
      tags.back()->ReadTag(path);
      tags.back()->SetAlbum(album);
    }
    return tags;
  }
  static std::vector<TMP3Tag*> Pointers(const std::vector<std::unique_ptr<TMP3Tag>>& tags) {
    std::vector<TMP3Tag*> pointers;
    for (const auto& tag : tags) pointers.push_back(tag.get());
    return pointers;
  }
  std::vector<std::string> Records() const {
    std::vector<std::string> names;
    if (std::filesystem::exists(State.Path()))
      for (const auto& entry : std::filesystem::directory_iterator(State.Path()))
        names.push_back(entry.path().filename());
    return names;
  }

  TTempDir Dir;
  TTempDir State;
  TTagSaver Saver{State.Path()};
};

// The kinds of file a batch meets: a tag that fits its room is written there (same inode), one
// that grew is rewritten with padding, a block is written over or appended. One record serves
// them all and goes once they are on disk; undoing the save puts back every byte.
TEST_F(TagSaver, BatchWritesInPlaceWhereItFitsAndUndoPutsBackEveryByte) {
  const std::string audio = Audio(4000);
  struct TCase {
    const char* Name;
    std::string Bytes;
    std::string Album;
    bool SameInode;
  } cases[] = {
      {"padded 2.3 tag", Tag(Frame("TIT2", "\0Title"s) + Frame("TALB", "\0Old"s), 1024) + audio,
       "New album", true},
      {"2.4 tag with footer",
       TagOf(4, Frame24("TALB", "\0Old album"s), 0x10) + "3DI\x04\0\x10\0\0\0\x0F"s + audio,
       "Short", true},
      {"tag without room", Tag(Frame("TIT2", "\0Title"s)) + audio, "A longer album", false},
      {"block", audio + Block("Title", "", "Old", "", "", 17), "Al", true},
      {"no tag", audio, "Appended", true},
  };
  std::vector<std::string> paths, before;
  for (const TCase& c : cases) {
    paths.push_back(Song(std::string(c.Name) + ".mp3", c.Bytes));
    before.push_back(c.Bytes);
  }
  std::vector<ino_t> inodes;
  for (const std::string& path : paths) inodes.push_back(InodeOf(path));
  auto tags = Edited(paths, "");
  for (std::size_t i = 0; i < tags.size(); ++i) tags[i]->SetAlbum(cases[i].Album);

  const std::vector<TSaveReport> reports = Saver.Save(Pointers(tags));
  ASSERT_EQ(reports.size(), paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    SCOPED_TRACE(cases[i].Name);
    EXPECT_EQ(reports[i].Failure, "");
    EXPECT_FALSE(tags[i]->Modified());
    EXPECT_EQ(InodeOf(paths[i]) == inodes[i], cases[i].SameInode);
    TMP3Tag back;
    back.ReadTag(paths[i]);
    EXPECT_EQ(back.GetAlbum(), cases[i].Album);
  }
  // A rewritten tag has room for the next edits.
  EXPECT_GE(TParsed(ReadFileBytes(paths[2])).Size(), 10 + 1024 + 40);
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(Saver.UndoableFiles(), paths.size());

  const std::vector<TSaveReport> undone = Saver.UndoLastSave();
  for (std::size_t i = 0; i < paths.size(); ++i) {
    SCOPED_TRACE(cases[i].Name);
    EXPECT_EQ(undone[i].Failure, "");
    EXPECT_EQ(ReadFileBytes(paths[i]), before[i]);
  }
  EXPECT_EQ(Saver.UndoableFiles(), 0u);
  EXPECT_TRUE(Records().empty());
}

TEST_F(TagSaver, UndoLeavesAFileChangedSinceTheSaveAlone) {
  const std::string kept = Song("kept.mp3", Tag(Frame("TALB", "\0Old"s), 64) + Audio(100));
  const std::string changed = Song("changed.mp3", Tag(Frame("TALB", "\0Old"s), 64) + Audio(100));
  auto tags = Edited({kept, changed}, "New");
  Saver.Save(Pointers(tags));
  // Another program writes the second file after the save.
  const std::string elsewhere = Tag(Frame("TALB", "\0Elsewhere"s), 58) + Audio(100);
  WriteFileBytes(changed, elsewhere);
  const std::vector<TSaveReport> undone = Saver.UndoLastSave();
  ASSERT_EQ(undone.size(), 2u);
  EXPECT_EQ(undone[0].Failure, "");
  EXPECT_TRUE(undone[1].Changed);
  EXPECT_EQ(ReadFileBytes(kept), Tag(Frame("TALB", "\0Old"s), 64) + Audio(100));
  EXPECT_EQ(ReadFileBytes(changed), elsewhere);
}

TEST_F(TagSaver, RecordThatCannotBeWrittenWritesNoSong) {
  const std::string path = Song("song.mp3", Tag(Frame("TALB", "\0Old"s), 64) + Audio(100));
  WriteFileBytes(State / "blocked", "a file where the record's folder would be");
  TTagSaver saver(State / "blocked");
  auto tags = Edited({path}, "New");
  const std::vector<TSaveReport> reports = saver.Save(Pointers(tags));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].Failure.find("record of the save could not be written"), std::string::npos);
  EXPECT_TRUE(tags[0]->Modified());
  EXPECT_EQ(ReadFileBytes(path), Tag(Frame("TALB", "\0Old"s), 64) + Audio(100));
}

TEST(Journal, RecordsRoundTripAndRecordsCutShortReadAsNone) {
  const std::vector<TFileChange> changes = {
      {"/music/a.mp3", {1, 2, false}, 5000, 0, "old\0tag"s, "new\0tag"s},
      {"/music/caf\xC3\xA9.mp3", {1, 3, true}, 300, 300, "", std::string(128, 'T')},
  };
  const std::string bytes = TJournal::Encode(changes);
  EXPECT_EQ(TJournal::Decode(bytes), changes);
  for (std::size_t size = 0; size < bytes.size(); ++size)
    EXPECT_FALSE(TJournal::Decode(bytes.substr(0, size))) << size;
  std::string flipped = bytes;
  flipped[40] ^= 1;
  EXPECT_FALSE(TJournal::Decode(flipped));
}

// What a save cut short left in a file, and what its record makes of it at the next start.
TEST_F(TagSaver, RecoveryFinishesWhatTheRecordHoldsAndLeavesOthersAlone) {
  const std::string audio = Audio(300);
  const std::string old = Tag(Frame("TALB", "\0Old"s), 40);
  const std::string fresh = Tag(Frame("TALB", "\0New"s), 40);
  const std::string block = Block("Title", "", "", "", "", 1);
  struct TCase {
    const char* Name;
    std::string Before;   // the file the save found
    std::int64_t Offset;  // the change
    std::string Old, New;
    std::string Left;   // what the save left before it was cut short
    std::string After;  // what recovery makes of it; empty: left alone as it was
  } cases[] = {
      {"in place, not yet written", old + audio, 0, old, fresh, old + audio, fresh + audio},
      {"in place, torn", old + audio, 0, old, fresh, fresh.substr(0, 18) + old.substr(18) + audio,
       fresh + audio},
      {"in place, written", old + audio, 0, old, fresh, fresh + audio, fresh + audio},
      {"in place, changed by another program", old + audio, 0, old, fresh,
       Tag(Frame("TALB", "\0Odd"s), 40) + audio, ""},
      {"appended in part", audio, 300, "", block, audio + block.substr(0, 60), audio + block},
      {"appended, then more added by another program", audio, 300, "", block,
       audio + block + "more", ""},
  };
  std::vector<TFileChange> changes;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const TCase& c = cases[i];
    const std::string path = Song("song" + std::to_string(i) + ".mp3", c.Before);
    changes.push_back(
        {path, IdentityOf(path), std::int64_t(c.Before.size()), c.Offset, c.Old, c.New});
    WriteFileBytes(path, c.Left);
  }
  // The rewrite of a tag that grew: its new file left under a temporary name, never renamed;
  // a person's own file under another such name stays.
  const std::string grown = Song("grown.mp3", old + audio);
  const std::string grownTag = Tag(Frame("TALB", "\0A longer album"s), 1024);
  changes.push_back(
      {grown, IdentityOf(grown), std::int64_t(old.size() + audio.size()), 0, old, grownTag});
  WriteFileBytes(Dir / TemporaryName("grown.mp3"), grownTag + audio.substr(0, 100));
  WriteFileBytes(Dir / TemporaryName("grown.mp3", 1), "a backup of the person's");

  {
    TJournal journal(State.Path(), changes);  // never retired: the save was cut short
  }
  const std::vector<TJournal::TLeftAlone> left = TJournal::Recover(State.Path());
  std::vector<std::string> leftPaths;
  for (const auto& entry : left) leftPaths.push_back(entry.Path);
  std::vector<std::string> expectedLeft;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].Name);
    const bool alone = cases[i].After.empty();
    EXPECT_EQ(ReadFileBytes(changes[i].Path), alone ? cases[i].Left : cases[i].After);
    if (alone) expectedLeft.push_back(changes[i].Path);
  }
  EXPECT_EQ(leftPaths, expectedLeft);
  EXPECT_EQ(ReadFileBytes(grown), old + audio);
  EXPECT_FALSE(std::filesystem::exists(Dir / TemporaryName("grown.mp3")));
  EXPECT_EQ(ReadFileBytes(Dir / TemporaryName("grown.mp3", 1)), "a backup of the person's");
  EXPECT_TRUE(Records().empty());
}

TEST_F(TagSaver, RecordOfASaveStillRunningIsNotTouched) {
  const std::string path = Song("song.mp3", Tag(Frame("TALB", "\0Old"s), 40) + Audio(10));
  const TFileChange change{path,
                           IdentityOf(path),
                           60,
                           0,
                           ReadFileBytes(path).substr(0, 50),
                           Tag(Frame("TALB", "\0New"s), 40)};
  TJournal running(State.Path(), {change});
  EXPECT_TRUE(TJournal::Recover(State.Path()).empty());
  EXPECT_EQ(TParsed(ReadFileBytes(path)).Album(), "Old");
  EXPECT_EQ(Records().size(), 1u);
  running.Retire();
  EXPECT_TRUE(Records().empty());
}

}  // namespace
