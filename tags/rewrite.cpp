#include "tags/rewrite.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "tags/bytesource.h"
#include "tags/filecopy.h"
#include "tags/fileerror.h"
#include "tags/posixfile.h"

namespace {

// Removes the temporary file when the rewrite does not get as far as the rename.
class TTempFileGuard {
 public:
  explicit TTempFileGuard(std::string path) : FPath(std::move(path)) {}
  ~TTempFileGuard() {
    if (!FPath.empty()) ::unlink(FPath.c_str());
  }
  TTempFileGuard(const TTempFileGuard&) = delete;
  TTempFileGuard& operator=(const TTempFileGuard&) = delete;
  void Release() { FPath.clear(); }

 private:
  std::string FPath;
};

// A symbolic link is followed, so the file it names is the one rewritten.
bool ResolvePath(const std::string& path, std::string& resolved) {
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
  if (!real) return false;
  resolved = real.get();
  return true;
}

// An old file under the temporary name is replaced; a folder of that name is left alone.
bool RemoveStaleTemp(const std::string& temp) {
  struct stat status {};
  if (::lstat(temp.c_str(), &status) != 0) return errno == ENOENT;
  if (S_ISDIR(status.st_mode)) return false;
  return ::unlink(temp.c_str()) == 0;
}

// Root saving another user's file hands the copy back to that user; an unprivileged user
// cannot give files away and may at least keep the group. Otherwise the defaults stay.
void KeepOwnership(int fd, const struct stat& original) {
  if (::fchown(fd, original.st_uid, original.st_gid) != 0) {
    [[maybe_unused]] const int groupOnly = ::fchown(fd, uid_t(-1), original.st_gid);
  }
}

}  // namespace

bool RewriteFile(const std::string& path, const TTagMaker& makeTag) {
  std::string target;
  if (!ResolvePath(path, target)) return false;
  struct stat status {};
  if (::stat(target.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  if ((status.st_mode & S_IWUSR) == 0 &&
      ::chmod(target.c_str(), (status.st_mode & 07777) | S_IWUSR) != 0) {
    return false;
  }
  try {
    TPosixFile original(target, TFileAccess::Read);
    original.DenySharing();
    TFileSource source(original);
    const std::optional<TNewTag> made = makeTag(source);
    if (!made || made->RestStart < 0 || made->RestStart > original.SizeAtOpen()) return false;
    const std::string& tag = made->Bytes;
    const std::int64_t start = made->RestStart;

    const std::string temp = target + "~";
    if (!RemoveStaleTemp(temp)) return false;
    TPosixFile copy = TPosixFile::CreateNew(temp);
    TTempFileGuard guard(temp);
    copy.DenySharing();
    KeepOwnership(copy.Fd(), original.Status());
    if (::fchmod(copy.Fd(), (original.Status().st_mode & 0777) | S_IWUSR) != 0) return false;
    if (!copy.WriteAt(0, tag.data(), tag.size())) return false;
    if (!CopyFileTail(original.Fd(), start, original.SizeAtOpen(), copy.Fd(),
                      std::int64_t(tag.size()))) {
      return false;
    }
    if (::fsync(copy.Fd()) != 0) return false;
    if (::rename(temp.c_str(), target.c_str()) != 0) return false;
    guard.Release();
    return true;
  } catch (const TFileOpenError&) {
    return false;
  }
}
