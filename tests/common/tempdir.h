#pragma once

#include <set>
#include <string>

// A temporary folder removed with everything in it (write bits restored first) when it goes.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::string& Path() const { return FPath; }
  // Path of a name inside the folder.
  std::string operator/(const std::string& name) const { return FPath + "/" + name; }

 private:
  std::string FPath;
};

// Small file helpers for tests.
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
// The names in a folder, to check that nothing was left beside a file.
std::set<std::string> FolderEntries(const std::string& folder);
