#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

enum class TFileAccess { Read, ReadWrite };

// Writes all n bytes at the offset of the open file; false (errno set) when they could not all
// be written.
bool WriteAllAt(int fd, std::int64_t offset, const void* buffer, std::size_t n);

// One open tag file, closed when the object goes. Opening never blocks and refuses, with
// TFileOpenError, anything that is not a regular file; opening for writing also refuses a
// file whose owner write bit is clear (the read-only attribute), even for root. The object keeps
// no path: a scan opens many files, and the caller holds the path for its messages anyway.
class TPosixFile {
 public:
  TPosixFile(const std::string& path, TFileAccess access);
  // Opens `name` in the open folder `dirFd`; `path` names the file in messages. Without
  // `followLink`, a symbolic link under the name is refused as well.
  TPosixFile(int dirFd, const char* name, const std::string& path, TFileAccess access,
             bool followLink);
  ~TPosixFile();
  TPosixFile(TPosixFile&& other) noexcept;
  TPosixFile& operator=(TPosixFile&&) = delete;

  // Creates a new file in the open folder, readable and writable by the owner only until the
  // caller sets its mode: unnamed where the file system allows it (it vanishes with the process
  // unless linked in), else under `name`, which must not exist yet (no link is followed).
  // `Named()` tells which. Throws TFileOpenError.
  static TPosixFile CreateNewIn(int dirFd, const std::string& name, const std::string& path);
  bool Named() const { return FNamed; }

  // Sharing denied: takes an exclusive lock without waiting. When another open holds the file,
  // this one is closed and TFileOpenError naming `path` is thrown.
  void DenySharing(const std::string& path);

  int Fd() const { return FFd; }
  // The file's status as it was when opened.
  const struct stat& Status() const { return FStatus; }
  std::int64_t SizeAtOpen() const { return FStatus.st_size; }

  // Reads up to n bytes at the offset, fewer only at the end of the file; -1 on error.
  std::int64_t ReadAt(std::int64_t offset, void* buffer, std::size_t n) const;
  // Writes all n bytes at the offset; false (errno set) when they could not all be written.
  bool WriteAt(std::int64_t offset, const void* buffer, std::size_t n) {
    return WriteAllAt(FFd, offset, buffer, n);
  }

 private:
  explicit TPosixFile(int fd) : FFd(fd) {}
  void Open(int dirFd, const char* name, const std::string& path, TFileAccess access,
            bool followLink);
  void Close();

  int FFd = -1;
  struct stat FStatus {};
  bool FNamed = true;
};
