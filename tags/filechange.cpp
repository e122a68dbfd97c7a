#include "tags/filechange.h"

#include <unistd.h>

#include <cerrno>

#include "tags/bytesource.h"
#include "tags/fileerror.h"
#include "tags/posixfile.h"
#include "tags/rewrite.h"
#include "tags/savetarget.h"

namespace {

// The source holds the bytes at the offset.
bool Holds(TByteSource& source, std::int64_t offset, const std::string& bytes) {
  std::string read(bytes.size(), '\0');
  return source.ReadAt(offset, reinterpret_cast<std::uint8_t*>(read.data()), read.size()) ==
             read.size() &&
         read == bytes;
}

void CheckHoldsOld(TByteSource& source, const TFileChange& change) {
  if (source.Size() != change.Size || !Holds(source, change.Offset, change.Old))
    throw TFileChangedError(change.Path);
}

// Writes in place or at the end of the file.
void WriteWithoutRewrite(const TFileChange& change) {
  TSaveTarget target(change.Path, &change.Identity, TFileAccess::ReadWrite);
  TPosixFile& file = target.File();
  file.DenySharing(change.Path);
  TFileSource source(file, change.Path);
  CheckHoldsOld(source, change);
  const bool written = file.WriteAt(change.Offset, change.New.data(), change.New.size()) &&
                       (change.InPlace() || ::ftruncate(file.Fd(), change.SizeAfter()) == 0);
  if (written) return;
  const int error = errno;
  // What was written in part goes back, so the file holds its old bytes again.
  [[maybe_unused]] const bool restored =
      file.WriteAt(change.Offset, change.Old.data(), change.Old.size()) &&
      ::ftruncate(file.Fd(), change.Size) == 0;
  ThrowFailure(change.Path, error);
}

}  // namespace

TFileChange TFileChange::Inverse(const TFileIdentity& after) const {
  return {Path, after, SizeAfter(), Offset, New, Old};
}

TChangeResult WriteChange(const TFileChange& change) {
  if (change.WithoutRewrite()) {
    WriteWithoutRewrite(change);
    return {change.Identity, {}};
  }
  // Only the start of a file changes length other than at its end: an ID3v2 tag.
  if (change.Offset != 0) throw TFileOpenError(change.Path, "Its new tag could not be made.");
  const TRewriteResult result = RewriteFile(change.Path, &change.Identity, [&](TByteSource& file) {
    CheckHoldsOld(file, change);
    return std::optional<TNewTag>(TNewTag{change.New, std::int64_t(change.Old.size())});
  });
  return {result.Identity, result.Warning};
}
