#include "tags/posixfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

#include "tags/fileerror.h"

namespace {

// A write beyond the file-size limit would kill the process with SIGXFSZ; ignored, the write
// fails with EFBIG and the save reports it like any other failure. A handler the program
// installed itself stays.
void IgnoreFileSizeSignal() {
  static const bool done = [] {
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
      struct sigaction ignore {};
      ignore.sa_handler = SIG_IGN;
      ::sigaction(SIGXFSZ, &ignore, nullptr);
    }
    return true;
  }();
  (void)done;
}

}  // namespace

TPosixFile::TPosixFile(const std::string& path, TFileAccess access) {
  Open(AT_FDCWD, path.c_str(), path, access, true);
}

TPosixFile::TPosixFile(int dirFd, const char* name, const std::string& path, TFileAccess access,
                       bool followLink) {
  Open(dirFd, name, path, access, followLink);
}

void TPosixFile::Open(int dirFd, const char* name, const std::string& path, TFileAccess access,
                      bool followLink) {
  const int flags = (access == TFileAccess::Read ? O_RDONLY : O_RDWR) | O_NONBLOCK | O_CLOEXEC |
                    O_NOCTTY | (followLink ? 0 : O_NOFOLLOW);
  FFd = ::openat(dirFd, name, flags);
  if (FFd < 0) ThrowFailure(path, errno);
  if (::fstat(FFd, &FStatus) != 0) {
    const int error = errno;
    Close();
    ThrowFailure(path, error);
  }
  if (!S_ISREG(FStatus.st_mode)) {
    Close();
    throw TFileOpenError(path, "It is not a regular file.");
  }
  if (access == TFileAccess::ReadWrite) {
    if ((FStatus.st_mode & S_IWUSR) == 0) {
      Close();
      throw TFileOpenError(path, "The file is read-only.");
    }
    IgnoreFileSizeSignal();
  }
}

TPosixFile TPosixFile::CreateNewIn(int dirFd, const std::string& name, const std::string& path) {
  constexpr mode_t OwnerOnly = S_IRUSR | S_IWUSR;
  bool named = false;
  int fd = ::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, OwnerOnly);
  // File systems without unnamed files say so in one of these ways.
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL || errno == ENOENT)) {
    named = true;
    fd = ::openat(dirFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  OwnerOnly);
  }
  if (fd < 0) ThrowFailure(path, errno, TFailedOn::Folder);
  TPosixFile file(fd);
  file.FNamed = named;
  if (::fstat(fd, &file.FStatus) != 0) ThrowFailure(path, errno);
  IgnoreFileSizeSignal();
  return file;
}

TPosixFile::TPosixFile(TPosixFile&& other) noexcept
    : FFd(std::exchange(other.FFd, -1)), FStatus(other.FStatus), FNamed(other.FNamed) {}

TPosixFile::~TPosixFile() { Close(); }

void TPosixFile::Close() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
}

void TPosixFile::DenySharing(const std::string& path) {
  if (::flock(FFd, LOCK_EX | LOCK_NB) == 0) return;
  const int error = errno;
  Close();
  ThrowFailure(path, error);
}

std::int64_t TPosixFile::ReadAt(std::int64_t offset, void* buffer, std::size_t n) const {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(FFd, out + done, n - done, offset + std::int64_t(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += std::size_t(got);
  }
  return std::int64_t(done);
}

bool WriteAllAt(int fd, std::int64_t offset, const void* buffer, std::size_t n) {
  const auto* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t put = ::pwrite(fd, in + done, n - done, offset + std::int64_t(done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = EIO;
      return false;
    }
    done += std::size_t(put);
  }
  return true;
}
