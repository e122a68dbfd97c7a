// How the tag layer treats files: what it refuses to open, locks held by others, the read-only
// attribute, failing writes, and files beyond 2 GiB.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tagbytes.h"
#include "tags/filecopy.h"
#include "tags/fileerror.h"
#include "tags/mp3tag.h"
#include "tests/common/tempdir.h"

namespace {

using namespace std::string_literals;

// Another program holding the file open with sharing denied.
class THeldOpen {
 public:
  explicit THeldOpen(const std::string& path) : FFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    EXPECT_EQ(::flock(FFd, LOCK_EX | LOCK_NB), 0);
  }
  ~THeldOpen() { ::close(FFd); }

 private:
  int FFd;
};

// Lowers the file-size limit for the life of the object.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &FSaved);
    rlimit lowered = FSaved;
    lowered.rlim_cur = bytes;
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
  }
  ~TFileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &FSaved); }

 private:
  rlimit FSaved{};
};

class FileSafety : public testing::Test {
 protected:
  std::string Song(const std::string& bytes, const std::string& name = "song.mp3") {
    WriteFileBytes(Dir / name, bytes);
    return Dir / name;
  }

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
};

TEST_F(FileSafety, EntriesThatAreNoRegularFileGiveTheOpenErrorAtOnce) {
  const std::string fifo = Dir / "x.mp3";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const std::string device = Dir / "dev.mp3";
  ASSERT_EQ(::symlink("/dev/zero", device.c_str()), 0);
  const std::string folder = Dir / "folder.mp3";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  for (const std::string& path : {fifo, device, folder}) {
    SCOPED_TRACE(path);
    TMP3Tag tag;
    EXPECT_THROW(tag.ReadTag(path), TFileOpenError);
  }
  // A regular file replaced by a FIFO between read and save.
  TMP3Tag tag;
  tag.ReadTag(Song(Audio(300), "later.mp3"));
  tag.SetTitle("t");
  std::filesystem::remove(Dir / "later.mp3");
  ASSERT_EQ(::mkfifo((Dir / "later.mp3").c_str(), 0644), 0);
  EXPECT_THROW(tag.WriteTag(), TFileOpenError);
  EXPECT_TRUE(tag.Modified());
}

TEST_F(FileSafety, FileHeldByAnotherOpenCannotBeReadAsVersion1OrWritten) {
  const std::string v1 = Song(Audio(500) + Block("One", "", "", "", "", 0), "v1.mp3");
  const std::string v2 = Song(Tag(Frame("TIT2", "\0Two"s)) + Audio(500), "v2.mp3");
  TMP3Tag tagV1;
  TMP3Tag tagV2;
  tagV1.ReadTag(v1);
  tagV2.ReadTag(v2);
  tagV1.SetTitle("New");
  tagV2.SetTitle("New");
  const std::string bytesV1 = ReadFileBytes(v1);
  const std::string bytesV2 = ReadFileBytes(v2);
  {
    const THeldOpen heldV1(v1);
    const THeldOpen heldV2(v2);
    TMP3Tag reader;
    EXPECT_THROW(reader.ReadTag(v1), TFileOpenError);
    // The ID3v2 header and frame walk do not deny sharing.
    reader.ReadTag(v2);
    EXPECT_EQ(reader.GetTitle(), "Two");

    // Both kinds of tag fail the same way, with the same reason.
    EXPECT_EQ(SaveFailure(tagV1), "It is in use by another program.");
    EXPECT_EQ(SaveFailure(tagV2), "It is in use by another program.");
  }
  EXPECT_TRUE(tagV1.Modified());
  EXPECT_TRUE(tagV2.Modified());
  EXPECT_EQ(ReadFileBytes(v1), bytesV1);
  EXPECT_EQ(ReadFileBytes(v2), bytesV2);
  EXPECT_EQ(FolderEntries(Dir.Path()), (std::set<std::string>{"v1.mp3", "v2.mp3"}));
  // Once the other program lets go, both saves go through.
  tagV1.WriteTag();
  tagV2.WriteTag();
  EXPECT_FALSE(tagV1.Modified());
  EXPECT_FALSE(tagV2.Modified());
}

// A file made read-only after it was read is refused whatever its kind of tag, also for root,
// and its mode stays as it is.
TEST_F(FileSafety, FileMadeReadOnlyAfterTheReadIsRefusedAndKeepsItsMode) {
  for (const std::string& original : {Audio(400) + Block("Title", "", "", "", "", 3),
                                      Tag(Frame("TIT2", "\0Title"s)) + Audio(400), Audio(400)}) {
    const std::string path = Song(original);
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    TMP3Tag tag;
    tag.ReadTag(path);
    tag.SetTitle("Other");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(SaveFailure(tag), "The file is read-only.");
    EXPECT_TRUE(tag.Modified());
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0444));
    EXPECT_EQ(FolderEntries(Dir.Path()), std::set<std::string>{"song.mp3"});
    std::filesystem::remove(path);
  }
}

// Another user's file that the group may write: a tag that fits is written in place, and one
// that grew fails, since only root could give the new file of a rewrite that owner.
TEST_F(FileSafety, SaveByAGroupMemberKeepsTheOwnerOrFails) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a file of another user";
  constexpr uid_t Owner = 4244, Saver = 4243;
  constexpr gid_t Group = 4200;
  const std::string original = Tag(Frame("TIT2", "\0Theirs"s)) + Audio(300);
  const std::string path = Song(original);
  ASSERT_EQ(::chown(path.c_str(), Owner, Group), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
  ASSERT_EQ(::chmod(Dir.Path().c_str(), 0777), 0);
  const std::string state = Dir / "state";
  const pid_t child = ::fork();
  if (child == 0) {
    // The saver is in the file's group only, and keeps its save records in its own folder.
    const gid_t groups[] = {Group};
    if (::setgroups(1, groups) != 0 || ::setgid(Group) != 0 || ::setuid(Saver) != 0) ::_exit(2);
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    TMP3Tag tag;
    tag.ReadTag(path);
    tag.SetTitle("Mine!!");
    if (!SaveFailure(tag).empty()) ::_exit(3);
    tag.SetTitle("Mine, and longer than the room the tag has");
    ::_exit(SaveFailure(tag).find("belongs to another user") != std::string::npos ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, Owner);
  EXPECT_EQ(ReadFileBytes(path), Tag(Frame("TIT2", "\0Mine!!"s)) + Audio(300));
  EXPECT_EQ(FolderEntries(Dir.Path()), (std::set<std::string>{"song.mp3", "state"}));
}

TEST_F(FileSafety, FileSizeLimitFailsTheRewriteAndKeepsTheOriginal) {
  const std::string original = Tag(Frame("TIT2", "\0Old"s)) + Audio(256 * 1024);
  const std::string path = Song(original);
  TMP3Tag tag;
  tag.ReadTag(path);
  tag.SetTitle("A longer title than before");
  {
    const TFileSizeLimit limit(64 * 1024);
    EXPECT_EQ(SaveFailure(tag), "The file would grow beyond the largest size allowed.");
  }
  EXPECT_TRUE(tag.Modified());
  EXPECT_EQ(ReadFileBytes(path), original);
  EXPECT_EQ(FolderEntries(Dir.Path()), std::set<std::string>{"song.mp3"});
}

TEST_F(FileSafety, FileSizeLimitFailsTheBlockAppendWithoutAPartialBlock) {
  const std::string original = Audio(100000);
  const std::string path = Song(original);
  TMP3Tag tag;
  tag.ReadTag(path);
  tag.SetTitle("Title");
  {
    // Room for half a block: the write stops there.
    const TFileSizeLimit limit(original.size() + 64);
    EXPECT_THROW(tag.WriteTag(), TFileOpenError);
  }
  EXPECT_TRUE(tag.Modified());
  EXPECT_EQ(ReadFileBytes(path), original);
  tag.WriteTag();
  EXPECT_EQ(ReadFileBytes(path).size(), original.size() + 128);
}

TEST_F(FileSafety, FullDiskFailsTheRewriteAndKeepsTheOriginal) {
  const std::string mount = Dir / "small";
  ASSERT_TRUE(std::filesystem::create_directory(mount));
  if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=128k") != 0) {
    GTEST_SKIP() << "cannot mount a small file system here";
  }
  const std::string original = Tag(Frame("TIT2", "\0Old"s)) + Audio(80 * 1024);
  const std::string path = mount + "/song.mp3";
  WriteFileBytes(path, original);
  TMP3Tag tag;
  tag.ReadTag(path);
  tag.SetTitle("A title longer than the one before");
  EXPECT_EQ(SaveFailure(tag), "The disk is full.");
  EXPECT_EQ(ReadFileBytes(path), original);
  EXPECT_EQ(FolderEntries(mount), std::set<std::string>{"song.mp3"});
  ::umount(mount.c_str());
}

// Files beyond 2 and 4 GiB: offsets and sizes are 64-bit. The files are sparse.
class LargeFile : public FileSafety {
 protected:
  static constexpr std::int64_t Size = std::int64_t(3) << 30;

  std::string Sparse(const std::string& head, std::int64_t size, const std::string& tail) {
    const std::string path = Song(head);
    EXPECT_EQ(::truncate(path.c_str(), size - std::int64_t(tail.size())), 0);
    WriteAt(path, size - std::int64_t(tail.size()), tail);
    return path;
  }
  static void WriteAt(const std::string& path, std::int64_t offset, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), offset), ssize_t(bytes.size()));
    ::close(fd);
  }
  static std::string ReadAt(const std::string& path, std::int64_t offset, std::size_t n) {
    std::string bytes(n, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    bytes.resize(std::size_t(std::max<ssize_t>(0, ::pread(fd, bytes.data(), n, offset))));
    ::close(fd);
    return bytes;
  }
  static std::int64_t FileSize(const std::string& path) {
    return std::int64_t(std::filesystem::file_size(path));
  }
};

TEST_F(LargeFile, BlockAtTheEndOfAThreeGigabyteFileIsReadAndOverwritten) {
  const std::string path = Sparse(Audio(1000), Size, Block("Far away", "", "", "", "", 5));
  TMP3Tag tag;
  tag.ReadTag(path);
  EXPECT_EQ(tag.GetTitle(), "Far away");
  tag.SetTitle("Still far");
  tag.WriteTag();
  EXPECT_EQ(FileSize(path), Size);
  EXPECT_EQ(ReadAt(path, Size - 128, 128), Block("Still far", "", "", "", "", 5));
}

TEST_F(LargeFile, RewriteOfAThreeGigabyteFileMovesEveryByte) {
  const std::string oldTag = Tag(Frame("TIT2", "\0Old"s), 100);
  const std::string path = Sparse(oldTag + Audio(1000), Size, Block("v1", "", "", "", "", 0));
  const std::int64_t markAt = (std::int64_t(5) << 29) + 12345;  // 2.5 GiB and a bit
  WriteAt(path, markAt, "MARK");
  TMP3Tag tag;
  tag.ReadTag(path);
  ASSERT_TRUE(tag.IsVersion2());
  // Longer than the tag's room: the file is rewritten, with the most padding a rewrite gives.
  const std::string title(200, 'N');
  tag.SetTitle(title);
  tag.WriteTag();
  const std::string newTag = Tag(Frame("TIT2", "\0"s + title), 8192);
  const std::int64_t shift = std::int64_t(newTag.size()) - std::int64_t(oldTag.size());
  EXPECT_EQ(FileSize(path), Size + shift);
  EXPECT_EQ(ReadAt(path, 0, newTag.size() + 1000), newTag + Audio(1000));
  EXPECT_EQ(ReadAt(path, markAt + shift - 2, 8), "\0\0MARK\0\0"s);
  EXPECT_EQ(ReadAt(path, Size + shift - 128, 128), Block("v1", "", "", "", "", 0));
}

TEST(FileCopy, KernelAndBufferCopiesGiveTheSameBytesAroundHoles) {
  const TTempDir dir;
  const std::string source = dir / "source";
  WriteFileBytes(source, Audio(5000));
  ASSERT_EQ(::truncate(source.c_str(), 3 << 20), 0);  // a hole of about 3 MiB behind
  const int in = ::open(source.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_EQ(::pwrite(in, "END", 3, (3 << 20) - 3), 3);
  const std::string expected = ReadFileBytes(source).substr(100);
  for (const bool byBuffer : {false, true}) {
    SCOPED_TRACE(byBuffer ? "buffer" : "kernel");
    const std::string target = dir / (byBuffer ? "buffer" : "kernel");
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(::pwrite(out, "head", 4, 0), 4);
    const std::int64_t length = (3 << 20) - 100;
    ASSERT_TRUE(byBuffer ? CopyByBuffer(in, 100, length, out, 4)
                         : CopyFileTail(in, 100, 3 << 20, out, 4));
    ::close(out);
    EXPECT_TRUE(ReadFileBytes(target) == "head" + expected);
  }
  ::close(in);
}

}  // namespace
