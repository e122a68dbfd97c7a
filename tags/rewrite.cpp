#include "tags/rewrite.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>
#include <vector>

#include "tags/bytesource.h"
#include "tags/filecopy.h"
#include "tags/fileerror.h"
#include "tags/posixfile.h"
#include "tags/savetarget.h"
#include "tags/xattrcopy.h"

namespace {

// Removes a named temporary file when the rewrite does not get as far as the rename.
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

bool IsRegularEntry(int folderFd, const std::string& name) {
  struct stat status {};
  return ::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISREG(status.st_mode);
}

bool EndsWithMp3(const std::string& name) {
  if (name.size() < 4) return false;
  const std::string ext = name.substr(name.size() - 4);
  return ext[0] == '.' && (ext[1] | 0x20) == 'm' && (ext[2] | 0x20) == 'p' && ext[3] == '3';
}

// The song a leftover of a crashed rewrite belongs to, or empty: "song.mp~" (named temporary
// files) and "song.mp3~" (the temporary files of earlier versions) beside "song.mp3".
std::string SongOfLeftover(const std::string& entry) {
  if (entry.size() < 2 || entry.back() != '~') return {};
  const std::string stem = entry.substr(0, entry.size() - 1);
  if (EndsWithMp3(stem)) return stem;
  if (EndsWithMp3(stem + "3")) return stem + "3";
  return {};
}

// A crash between naming a new file and renaming it leaves it beside its song; every rewrite
// removes such leftovers from its folder (they are never listed as songs). Reading the names
// costs little beside the copy of a whole song.
void RemoveLeftovers(int folderFd) {
  const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listFd < 0) return;
  DIR* list = ::fdopendir(listFd);
  if (!list) {
    ::close(listFd);
    return;
  }
  std::vector<std::string> leftovers;
  while (const dirent* entry = ::readdir(list)) {
    const std::string name = entry->d_name;
    const std::string song = SongOfLeftover(name);
    if (!song.empty() && IsRegularEntry(folderFd, name) && IsRegularEntry(folderFd, song))
      leftovers.push_back(name);
  }
  ::closedir(list);
  for (const std::string& name : leftovers) ::unlinkat(folderFd, name.c_str(), 0);
}

// Root saving another user's file hands the copy back to that user; an unprivileged user
// cannot give files away and may at least keep the group. Otherwise the defaults stay.
void KeepOwnership(int fd, const struct stat& original) {
  if (::fchown(fd, original.st_uid, original.st_gid) != 0) {
    [[maybe_unused]] const int groupOnly = ::fchown(fd, uid_t(-1), original.st_gid);
  }
}

// Gives an unnamed file the name: by its descriptor where the process may (root), else through
// /proc.
void LinkUnnamed(int fd, int folderFd, const std::string& name, const std::string& path) {
  if (::linkat(fd, "", folderFd, name.c_str(), AT_EMPTY_PATH) == 0) return;
  if (errno == ENOENT || errno == EPERM) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), folderFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return;
  }
  throw TFileOpenError(path, "The new file could not be named: " + ErrnoText(errno) + ".");
}

void Check(bool done, const std::string& path, const std::string& what) {
  if (!done) throw TFileOpenError(path, what + ": " + ErrnoText(errno) + ".");
}

}  // namespace

std::string TemporaryName(const std::string& name) {
  if (name.empty()) return "~";
  std::string temp = name;
  temp.back() = temp.back() == '~' ? '#' : '~';
  return temp;
}

TFileIdentity RewriteFile(const std::string& path, const TSaveExpectation* expect,
                          const TTagMaker& makeTag) {
  TSaveTarget target(path, expect ? &expect->Identity : nullptr, TFileAccess::Read);
  TPosixFile& original = target.File();
  original.DenySharing(path);
  if (expect) target.ExpectKind(expect->Kind);
  TFileSource source(original, path);
  const std::optional<TNewTag> made = makeTag(source);
  if (!made || made->RestStart < 0 || made->RestStart > original.SizeAtOpen())
    throw TFileOpenError(path, "Its new tag could not be made.");

  const int folderFd = target.FolderFd();
  RemoveLeftovers(folderFd);
  // Whatever lies under the temporary name beside the song being saved (a leftover of a crashed
  // save of this very song, a link) goes; a folder stays, and the save then fails.
  const std::string tempName = TemporaryName(target.Name());
  ::unlinkat(folderFd, tempName.c_str(), 0);
  TPosixFile copy = TPosixFile::CreateNewIn(folderFd, tempName, path);
  std::optional<TTempNameGuard> named;
  if (copy.Named()) named.emplace(folderFd, tempName);

  const struct stat& status = original.Status();
  KeepOwnership(copy.Fd(), status);
  const std::string& tag = made->Bytes;
  Check(copy.WriteAt(0, tag.data(), tag.size()), path, "The new file could not be written");
  Check(CopyFileTail(original.Fd(), made->RestStart, original.SizeAtOpen(), copy.Fd(),
                     std::int64_t(tag.size())),
        path, "The new file could not be written");
  CopyExtendedAttributes(original.Fd(), copy.Fd(), path);
  // After the attributes: a copied access list would otherwise set the permission bits.
  Check(::fchmod(copy.Fd(), (status.st_mode & 0777) | S_IWUSR) == 0, path,
        "The new file's permissions could not be set");
  Check(::fsync(copy.Fd()) == 0, path, "The new file could not be written to disk");

  if (!copy.Named()) {
    LinkUnnamed(copy.Fd(), folderFd, tempName, path);
    named.emplace(folderFd, tempName);
  }
  Check(::renameat(folderFd, tempName.c_str(), folderFd, target.Name().c_str()) == 0, path,
        "The new file could not take the file's place");
  named->Release();
  target.FlushFolder();
  return {copy.Status().st_dev, copy.Status().st_ino, expect && expect->Identity.WasLink};
}
