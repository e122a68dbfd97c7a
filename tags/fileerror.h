#pragma once

#include <stdexcept>
#include <string>

// The file-open error: a tag file could not be opened, read or written as asked (missing, no
// permission, read-only, not a regular file, held open elsewhere, a disk error). The message
// names the path and the reason.
class TFileOpenError : public std::runtime_error {
 public:
  // `error`: the system's error number behind it, 0 when none.
  TFileOpenError(const std::string& path, const std::string& reason, int error = 0)
      : std::runtime_error("Cannot open file \"" + path + "\". " + reason),
        FPath(path),
        FReason(reason),
        FError(error) {}
  const std::string& Path() const { return FPath; }
  // Why, as a sentence of its own in a user's words.
  const std::string& Reason() const { return FReason; }
  int Error() const { return FError; }

 private:
  std::string FPath;
  std::string FReason;
  int FError;
};

// A save found another file under the name than the one that was read (replaced, or a symbolic
// link planted since), or the file's kind of tag changed since it was read. Nothing was written.
class TFileChangedError : public TFileOpenError {
 public:
  explicit TFileChangedError(const std::string& path);
};

// What a failed operation worked on: the file itself, or its folder (making a new file there,
// renaming in it, putting its entries on disk).
enum class TFailedOn { File, Folder };

// Why an operation failed, in a user's words, from the system's error number: "The disk is
// full.", "The folder cannot be written.", "The file is gone.", ...
std::string FailureReason(int error, TFailedOn on = TFailedOn::File);
// Throws the file-open error for `path` with the reason for the system's error number.
[[noreturn]] void ThrowFailure(const std::string& path, int error, TFailedOn on = TFailedOn::File);
// A read of the file failed.
std::string ReadFailure(int error);
// "The file changed since it was read."
std::string ChangedReason();
