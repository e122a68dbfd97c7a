#pragma once

#include <stdexcept>
#include <string>

// The file-open error: a tag file could not be opened as asked (missing, no permission,
// read-only, not a regular file, or held open elsewhere). The message names the path and reason.
class TFileOpenError : public std::runtime_error {
 public:
  TFileOpenError(const std::string& path, const std::string& reason)
      : std::runtime_error("Cannot open file \"" + path + "\". " + reason),
        FPath(path),
        FReason(reason) {}
  const std::string& Path() const { return FPath; }
  // Why, as a sentence of its own.
  const std::string& Reason() const { return FReason; }

 private:
  std::string FPath;
  std::string FReason;
};

// A save found another file under the name than the one that was read (replaced, or a symbolic
// link planted since), or the file's kind of tag changed since it was read. Nothing was written.
class TFileChangedError : public TFileOpenError {
 public:
  explicit TFileChangedError(const std::string& path)
      : TFileOpenError(path, "It changed since it was read.") {}
};
