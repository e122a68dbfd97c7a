#include "tags/journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "tags/bytesource.h"
#include "tags/fileerror.h"
#include "tags/posixfile.h"
#include "tags/rewrite.h"
#include "tags/savetarget.h"

namespace {

constexpr std::string_view Magic = "Tunemark save record 1\n";
constexpr std::string_view RecordEnding = ".journal";
constexpr std::string_view UnfinishedEnding = ".new";

// --- The record's bytes: the magic, the count of changes, each change's fields, and a CRC-32
// of all that, so a record cut short is known.

void PutNumber(std::string& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out += char((value >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, std::string_view text) {
  PutNumber(out, text.size());
  out += text;
}

class TReader {
 public:
  explicit TReader(std::string_view bytes) : FBytes(bytes) {}
  bool Number(std::uint64_t& value) {
    if (FBytes.size() < 8) return false;
    value = 0;
    for (int i = 0; i < 8; ++i) value |= std::uint64_t(std::uint8_t(FBytes[i])) << (8 * i);
    FBytes.remove_prefix(8);
    return true;
  }
  bool Text(std::string& text) {
    std::uint64_t size = 0;
    if (!Number(size) || size > FBytes.size()) return false;
    text.assign(FBytes.substr(0, size));
    FBytes.remove_prefix(size);
    return true;
  }
  bool AtEnd() const { return FBytes.empty(); }

 private:
  std::string_view FBytes;
};

std::uint32_t Checksum(std::string_view bytes) {
  return std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size())));
}

// --- Files and folders.

std::string Join(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

void MakeFolders(const std::string& folder) {
  for (std::size_t slash = 1; slash != std::string::npos;) {
    slash = folder.find('/', slash + 1);
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      ThrowFailure(folder, errno, TFailedOn::Folder);
  }
}

void FlushFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::string ReadAll(int fd) {
  std::string bytes;
  char buffer[65536];
  for (std::int64_t at = 0;;) {
    const ssize_t got = ::pread(fd, buffer, sizeof buffer, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ThrowFailure("", errno);
    if (got == 0) return bytes;
    bytes.append(buffer, std::size_t(got));
    at += got;
  }
}

// --- Finishing one change of a save cut short.

// Why a change was left alone: the file changed (final), or it could not be looked at now
// (kept for a later try).
struct TLeft {
  std::string Reason;
  bool Retry = false;
};

std::string ChangedMeanwhile() {
  return "It changed while a save of it was cut short, so it was left as it is.";
}

// Every byte present is the old or the new byte of its place: the file is ours, torn or not.
bool OldOrNew(std::string_view present, const std::string& old, const std::string& fresh) {
  for (std::size_t i = 0; i < present.size(); ++i) {
    const bool isOld = i < old.size() && present[i] == old[i];
    const bool isNew = i < fresh.size() && present[i] == fresh[i];
    if (!isOld && !isNew) return false;
  }
  return true;
}

// A change in place or at the end is finished: its new bytes are written where the old ones,
// or a part of either, still are.
std::optional<TLeft> FinishWithoutRewrite(const TFileChange& change) {
  std::optional<TSaveTarget> target;
  try {
    target.emplace(change.Path, &change.Identity, TFileAccess::ReadWrite);
    target->File().DenySharing(change.Path);
  } catch (const TFileChangedError&) {
    return TLeft{ChangedMeanwhile()};
  } catch (const TFileOpenError& error) {
    // A file that is gone is final; one in use or unreadable now is tried again later.
    return TLeft{error.Reason(), error.Error() != ENOENT};
  }
  TPosixFile& file = target->File();
  const std::int64_t size = file.SizeAtOpen();
  const std::int64_t least = std::min(change.Size, change.SizeAfter());
  const std::int64_t most = std::max(change.Size, change.SizeAfter());
  // In place the size never changes; at the end it lies between the old and the new size.
  if (change.InPlace() ? size != change.Size : (size < least || size > most))
    return TLeft{ChangedMeanwhile()};
  const auto span = std::int64_t(std::max(change.Old.size(), change.New.size()));
  const std::int64_t end = std::min(size, change.Offset + span);
  std::string present(std::size_t(std::max<std::int64_t>(end - change.Offset, 0)), '\0');
  try {
    TFileSource(file, change.Path)
        .ReadAt(change.Offset, reinterpret_cast<std::uint8_t*>(present.data()), present.size());
  } catch (const TFileOpenError& error) {
    return TLeft{error.Reason(), true};
  }
  if (!OldOrNew(present, change.Old, change.New)) return TLeft{ChangedMeanwhile()};
  if (size == change.SizeAfter() && present == change.New) return std::nullopt;
  const bool written = file.WriteAt(change.Offset, change.New.data(), change.New.size()) &&
                       (change.InPlace() || ::ftruncate(file.Fd(), change.SizeAfter()) == 0) &&
                       ::fsync(file.Fd()) == 0;
  if (!written) return TLeft{FailureReason(errno), true};
  return std::nullopt;
}

// A rewrite is atomic: the file is old or new already. What may be left is its new file under
// a temporary name (never renamed), or the old file there (renamed, not yet removed): both go,
// and nothing else there.
std::optional<TLeft> CleanRewrite(const TFileChange& change) {
  std::string path = change.Path;
  if (change.Identity.WasLink) {
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                           &std::free);
    if (real) path = real.get();
  }
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0) return std::nullopt;  // the folder is gone, and all of it with it
  struct stat named {};
  const bool hasNamed = ::fstatat(folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0;
  bool removed = false;
  for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
    const std::string temp = TemporaryName(name, attempt);
    struct stat status {};
    if (::fstatat(folderFd, temp.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(status.st_mode) || (hasNamed && status.st_ino == named.st_ino))
      continue;
    bool ours = status.st_dev == change.Identity.Device && status.st_ino == change.Identity.Inode;
    if (!ours) {
      const int fd = ::openat(folderFd, temp.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0) continue;
      std::string start(change.New.size(), '\0');
      ours = ::pread(fd, start.data(), start.size(), 0) == ssize_t(start.size()) &&
             start == change.New;
      ::close(fd);
    }
    if (ours && ::unlinkat(folderFd, temp.c_str(), 0) == 0) removed = true;
  }
  if (removed) ::fsync(folderFd);
  ::close(folderFd);
  return std::nullopt;
}

}  // namespace

std::string TJournal::DefaultFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return Join(state, "Tunemark");
  const char* home = std::getenv("HOME");
  return Join(Join(home && home[0] ? home : "/tmp", ".local/state"), "Tunemark");
}

std::string TJournal::Encode(const std::vector<TFileChange>& changes) {
  std::string out(Magic);
  PutNumber(out, changes.size());
  for (const TFileChange& change : changes) {
    PutText(out, change.Path);
    PutNumber(out, change.Identity.Device);
    PutNumber(out, change.Identity.Inode);
    PutNumber(out, change.Identity.WasLink ? 1 : 0);
    PutNumber(out, std::uint64_t(change.Size));
    PutNumber(out, std::uint64_t(change.Offset));
    PutText(out, change.Old);
    PutText(out, change.New);
  }
  PutNumber(out, Checksum(out));
  return out;
}

std::optional<std::vector<TFileChange>> TJournal::Decode(const std::string& bytes) {
  if (bytes.size() < Magic.size() + 16 || !bytes.starts_with(Magic)) return std::nullopt;
  const std::string_view body = std::string_view(bytes).substr(0, bytes.size() - 8);
  TReader sum(std::string_view(bytes).substr(body.size()));
  std::uint64_t stored = 0;
  if (!sum.Number(stored) || stored != Checksum(body)) return std::nullopt;
  TReader reader(body.substr(Magic.size()));
  std::uint64_t count = 0;
  if (!reader.Number(count)) return std::nullopt;
  std::vector<TFileChange> changes;
  for (std::uint64_t i = 0; i < count; ++i) {
    TFileChange change;
    std::uint64_t device = 0, inode = 0, link = 0, size = 0, offset = 0;
    if (!reader.Text(change.Path) || !reader.Number(device) || !reader.Number(inode) ||
        !reader.Number(link) || !reader.Number(size) || !reader.Number(offset) ||
        !reader.Text(change.Old) || !reader.Text(change.New))
      return std::nullopt;
    change.Identity = {dev_t(device), ino_t(inode), link != 0};
    change.Size = std::int64_t(size);
    change.Offset = std::int64_t(offset);
    if (change.Size < 0 || change.Offset < 0) return std::nullopt;
    changes.push_back(std::move(change));
  }
  if (!reader.AtEnd()) return std::nullopt;
  return changes;
}

TJournal::TJournal(const std::string& folder, const std::vector<TFileChange>& changes)
    : FFolder(folder) {
  static unsigned counter = 0;
  const std::string bytes = Encode(changes);
  try {
    MakeFolders(folder);
    std::string unfinished;
    for (;;) {
      FName = "save-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
      unfinished = Join(folder, FName + std::string(UnfinishedEnding));
      FFd = ::open(unfinished.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (FFd >= 0 || errno != EEXIST) break;
    }
    FName += RecordEnding;
    if (FFd < 0) ThrowFailure(unfinished, errno, TFailedOn::Folder);
    // Locked from the start: another instance's recovery never takes a record being written.
    ::flock(FFd, LOCK_EX);
    if (!WriteAllAt(FFd, 0, bytes.data(), bytes.size()) || ::fsync(FFd) != 0 ||
        ::rename(unfinished.c_str(), Join(folder, FName).c_str()) != 0) {
      const int error = errno;
      ::unlink(unfinished.c_str());
      ThrowFailure(Join(folder, FName), error);
    }
    FlushFolder(folder);
  } catch (const TFileOpenError& error) {
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
    throw TFileOpenError(error.Path(),
                         "The record of the save could not be written. " + error.Reason(),
                         error.Error());
  }
}

TJournal::~TJournal() {
  if (FFd >= 0) ::close(FFd);
}

void TJournal::Retire() {
  if (FFd < 0) return;
  if (::unlink(Join(FFolder, FName).c_str()) == 0) FlushFolder(FFolder);
  ::close(FFd);
  FFd = -1;
}

std::vector<TJournal::TLeftAlone> TJournal::Recover(const std::string& folder) {
  std::vector<TLeftAlone> leftAlone;
  DIR* list = ::opendir(folder.c_str());
  if (!list) return leftAlone;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(list)) {
    const std::string_view name = entry->d_name;
    if (name.starts_with("save-") &&
        (name.ends_with(RecordEnding) || name.ends_with(UnfinishedEnding)))
      names.emplace_back(name);
  }
  ::closedir(list);
  for (const std::string& name : names) {
    const std::string path = Join(folder, name);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    // A record its save still holds is not finished.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      continue;
    }
    bool keep = false;
    // A record cut short while it was written: no song was touched yet.
    if (name.ends_with(RecordEnding)) {
      std::optional<std::vector<TFileChange>> changes;
      try {
        changes = Decode(ReadAll(fd));
      } catch (const TFileOpenError&) {
        keep = true;
      }
      for (const TFileChange& change : changes.value_or(std::vector<TFileChange>{})) {
        const std::optional<TLeft> left =
            change.WithoutRewrite() ? FinishWithoutRewrite(change) : CleanRewrite(change);
        if (!left) continue;
        keep = keep || left->Retry;
        leftAlone.push_back({change.Path, left->Reason});
      }
    }
    if (!keep && ::unlink(path.c_str()) == 0) FlushFolder(folder);
    ::close(fd);
  }
  return leftAlone;
}
