#include "tags/rewrite.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>

#include "tags/bytesource.h"
#include "tags/filecopy.h"
#include "tags/fileerror.h"
#include "tags/posixfile.h"
#include "tags/savetarget.h"
#include "tags/xattrcopy.h"

namespace {

// Removes the new file's name when the rewrite does not get as far as keeping it.
class TTempNameGuard {
 public:
  TTempNameGuard(int folderFd, std::string name) : FFolderFd(folderFd), FName(std::move(name)) {}
  ~TTempNameGuard() {
    if (!FName.empty()) ::unlinkat(FFolderFd, FName.c_str(), 0);
  }
  TTempNameGuard(const TTempNameGuard&) = delete;
  TTempNameGuard& operator=(const TTempNameGuard&) = delete;
  void Release() { FName.clear(); }

 private:
  int FFolderFd;
  std::string FName;
};

void Check(bool done, const std::string& path, TFailedOn on = TFailedOn::File) {
  if (!done) ThrowFailure(path, errno, on);
}

// The new file takes the owner and group of the file it replaces. Only root may give a file
// away: a save by anyone else of another user's file cannot keep its owner and fails, since a
// save never changes who owns a file.
void KeepOwnership(int fd, const struct stat& original, const std::string& path) {
  struct stat made {};
  if (::fchown(fd, original.st_uid, original.st_gid) == 0) return;
  if (::fstat(fd, &made) == 0 && made.st_uid == original.st_uid && made.st_gid == original.st_gid)
    return;
  throw TFileOpenError(path,
                       made.st_uid != original.st_uid
                           ? "The file belongs to another user, and saving it here would make "
                             "you its owner."
                           : "The file belongs to a group you are not in, and saving it here "
                             "would change its group.");
}

// Creates the new file: unnamed where the file system allows it, else under the first free
// temporary name. Nothing that is there already is replaced or followed.
TPosixFile CreateNew(int folderFd, const std::string& name, const std::string& path,
                     std::string& tempName) {
  for (int attempt = 0;; ++attempt) {
    tempName = TemporaryName(name, attempt);
    try {
      return TPosixFile::CreateNewIn(folderFd, tempName, path);
    } catch (const TFileOpenError& error) {
      if (error.Error() != EEXIST || attempt + 1 >= TemporaryNameAttempts) throw;
    }
  }
}

// Gives an unnamed file the first free temporary name: by its descriptor where the process may
// (root), else through /proc.
void LinkUnnamed(int fd, int folderFd, const std::string& name, const std::string& path,
                 std::string& tempName) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
    tempName = TemporaryName(name, attempt);
    if (::linkat(fd, "", folderFd, tempName.c_str(), AT_EMPTY_PATH) == 0) return;
    if (errno == ENOENT || errno == EPERM) {
      if (::linkat(AT_FDCWD, self.c_str(), folderFd, tempName.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return;
    }
    if (errno != EEXIST) break;
  }
  ThrowFailure(path, errno, TFailedOn::Folder);
}

// The open file is still the one under the name, unchanged since it was opened: same inode,
// size and time of its last write, and before any rename of ours (which sets it) the same time
// of its last change of any kind.
bool Unchanged(const TPosixFile& file, int folderFd, const std::string& name, bool renamed) {
  struct stat now {
  }, named{};
  const struct stat& then = file.Status();
  const auto same = [](const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
  };
  return ::fstat(file.Fd(), &now) == 0 && now.st_size == then.st_size &&
         same(now.st_mtim, then.st_mtim) && (renamed || same(now.st_ctim, then.st_ctim)) &&
         ::fstatat(folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         named.st_dev == then.st_dev && named.st_ino == then.st_ino;
}

int Exchange(int folderFd, const std::string& a, const std::string& b) {
  return ::renameat2(folderFd, a.c_str(), folderFd, b.c_str(), RENAME_EXCHANGE) == 0 ? 0 : errno;
}

}  // namespace

std::string TemporaryName(const std::string& name, int attempt) {
  if (name.empty()) return "~";
  std::string temp = name;
  if (attempt == 0 || temp.size() < 2) {
    temp.back() = temp.back() == '~' ? '#' : '~';
    return temp;
  }
  temp[temp.size() - 2] = '~';
  temp.back() = char('0' + attempt % 10);
  return temp;
}

TRewriteResult RewriteFile(const std::string& path, const TFileIdentity* identity,
                           const TTagMaker& makeTag) {
  // Opened for writing although only read: a file the user may not write is refused here,
  // before anything is made.
  TSaveTarget target(path, identity, TFileAccess::ReadWrite);
  TPosixFile& original = target.File();
  original.DenySharing(path);
  TFileSource source(original, path);
  const std::optional<TNewTag> made = makeTag(source);
  if (!made || made->RestStart < 0 || made->RestStart > original.SizeAtOpen())
    throw TFileOpenError(path, "Its new tag could not be made.");

  const int folderFd = target.FolderFd();
  const std::string& name = target.Name();
  std::string tempName;
  TPosixFile copy = CreateNew(folderFd, name, path, tempName);
  std::optional<TTempNameGuard> named;
  if (copy.Named()) named.emplace(folderFd, tempName);

  const struct stat& status = original.Status();
  KeepOwnership(copy.Fd(), status, path);
  const std::string& tag = made->Bytes;
  Check(copy.WriteAt(0, tag.data(), tag.size()), path, TFailedOn::Folder);
  Check(CopyFileTail(original.Fd(), made->RestStart, original.SizeAtOpen(), copy.Fd(),
                     std::int64_t(tag.size())),
        path, TFailedOn::Folder);
  CopyExtendedAttributes(original.Fd(), copy.Fd(), path);
  // After the attributes: a copied access list would otherwise set the permission bits.
  Check(::fchmod(copy.Fd(), status.st_mode & 07777) == 0, path, TFailedOn::Folder);
  Check(::fsync(copy.Fd()) == 0, path, TFailedOn::Folder);

  if (!copy.Named()) {
    LinkUnnamed(copy.Fd(), folderFd, name, path, tempName);
    named.emplace(folderFd, tempName);
  }
  if (!Unchanged(original, folderFd, name, false)) throw TFileChangedError(path);
  const int exchanged = Exchange(folderFd, tempName, name);
  if (exchanged == EINVAL || exchanged == ENOSYS || exchanged == EOPNOTSUPP) {
    // A file system that cannot trade two names: the check right before the rename is the
    // last word.
    Check(::renameat(folderFd, tempName.c_str(), folderFd, name.c_str()) == 0, path,
          TFailedOn::Folder);
    named->Release();
  } else {
    if (exchanged != 0) ThrowFailure(path, exchanged, TFailedOn::Folder);
    // The temporary name now holds what was under the file's name: it must be the file that
    // was read, untouched; else another program saved it meanwhile, and its save stays.
    if (!Unchanged(original, folderFd, tempName, true)) {
      if (Exchange(folderFd, tempName, name) != 0) {
        named->Release();  // that name now holds the other program's file
        throw TFileOpenError(path,
                             "The file changed while it was saved. The other program's "
                             "version was kept as " +
                                 tempName + ".");
      }
      throw TFileChangedError(path);
    }
    named.reset();  // the old file goes with the temporary name
  }
  TRewriteResult result{{copy.Status().st_dev, copy.Status().st_ino, identity && identity->WasLink},
                        {}};
  try {
    target.FlushFolder();
  } catch (const TFileOpenError& error) {
    result.Warning = error.Reason();
  }
  return result;
}
