#include "tags/savetarget.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "tags/bytesource.h"
#include "tags/fileerror.h"
#include "tags/id3v1block.h"

namespace {

constexpr std::int64_t HeaderSize = 10;
constexpr std::int64_t BlockSize = 128;

// The path with its symbolic links resolved: a path that was a link when it was read is
// followed, as the read followed it.
std::string Resolved(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
  if (!real) ThrowFailure(path, errno);
  return real.get();
}

}  // namespace

TTagKind TagKindOf(TByteSource& source) {
  std::uint8_t header[HeaderSize];
  if (source.ReadAt(0, header, sizeof header) == sizeof header &&
      std::equal(header, header + 3, "ID3")) {
    return TTagKind::Version2;
  }
  TID3v1Block block{};
  const std::int64_t size = source.Size();
  if (size >= BlockSize &&
      source.ReadAt(size - BlockSize, block.data(), block.size()) == block.size() &&
      HasBlockMarker(block)) {
    return TTagKind::Version1;
  }
  return TTagKind::None;
}

TSaveTarget::TSaveTarget(const std::string& path, const TFileIdentity* identity, TFileAccess access)
    : FPath(path) {
  const bool follow = !identity || identity->WasLink;
  const std::string opened = follow ? Resolved(path) : path;
  const std::size_t slash = opened.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : opened.substr(0, slash));
  FName = slash == std::string::npos ? opened : opened.substr(slash + 1);
  if (FName.empty()) throw TFileOpenError(path, "It is not a regular file.");

  FFolder.Fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (FFolder.Fd < 0) ThrowFailure(path, errno, TFailedOn::Folder);
  try {
    // A link under the last name is refused: one planted since the read would lead the save
    // into a file the person never chose.
    FFile = std::make_unique<TPosixFile>(FFolder.Fd, FName.c_str(), path, access, false);
  } catch (const TFileOpenError&) {
    struct stat status {};
    if (identity && ::fstatat(FFolder.Fd, FName.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(status.st_mode)) {
      throw TFileChangedError(path);
    }
    throw;
  }
  const struct stat& status = FFile->Status();
  if (identity && (status.st_dev != identity->Device || status.st_ino != identity->Inode))
    throw TFileChangedError(path);
}

TSaveTarget::~TSaveTarget() = default;

TSaveTarget::TFolder::~TFolder() {
  if (Fd >= 0) ::close(Fd);
}

void TSaveTarget::ExpectKind(TTagKind kind) {
  TFileSource source(*FFile, FPath);
  if (TagKindOf(source) != kind) throw TFileChangedError(FPath);
}

void TSaveTarget::FlushFolder() {
  // Some file systems cannot flush a folder at all; they keep no separate folder data to lose.
  if (::fsync(FFolder.Fd) != 0 && errno != EINVAL && errno != EROFS) {
    const int error = errno;
    throw TFileOpenError(FPath,
                         "It was saved, but its folder could not be written to disk yet. " +
                             FailureReason(error, TFailedOn::Folder),
                         error);
  }
}
