#pragma once

#include <stdexcept>
#include <string>

// The file-open error: a tag file could not be opened as asked (missing, no permission,
// read-only, not a regular file, or held open elsewhere). The message names the path and reason.
class TFileOpenError : public std::runtime_error {
 public:
  TFileOpenError(const std::string& path, const std::string& reason)
      : std::runtime_error("Cannot open file \"" + path + "\". " + reason), FPath(path) {}
  const std::string& Path() const { return FPath; }

 private:
  std::string FPath;
};
