#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

enum class TFileAccess { Read, ReadWrite };

// One open tag file, closed when the object goes. Opening never blocks and refuses, with
// TFileOpenError, anything that is not a regular file; opening for writing also refuses a
// file whose owner write bit is clear (the read-only attribute), even for root.
class TPosixFile {
 public:
  TPosixFile(const std::string& path, TFileAccess access);
  ~TPosixFile();
  TPosixFile(TPosixFile&& other) noexcept;
  TPosixFile& operator=(TPosixFile&&) = delete;

  // Creates a new file that must not exist yet (no symbolic link is followed), readable and
  // writable by the owner only until the caller sets its mode. Throws TFileOpenError.
  static TPosixFile CreateNew(const std::string& path);

  // Sharing denied: takes an exclusive lock without waiting. When another open holds the file,
  // this one is closed and TFileOpenError is thrown.
  void DenySharing();

  int Fd() const { return FFd; }
  const std::string& Path() const { return FPath; }
  // The file's status as it was when opened.
  const struct stat& Status() const { return FStatus; }
  std::int64_t SizeAtOpen() const { return FStatus.st_size; }

  // Reads up to n bytes at the offset, fewer only at the end of the file; -1 on error.
  std::int64_t ReadAt(std::int64_t offset, void* buffer, std::size_t n) const;
  // Writes all n bytes at the offset; false (errno set) when they could not all be written.
  bool WriteAt(std::int64_t offset, const void* buffer, std::size_t n);

 private:
  TPosixFile(int fd, std::string path);
  void Close();

  int FFd = -1;
  std::string FPath;
  struct stat FStatus {};
};

// The reason for errno, for error messages.
std::string ErrnoText(int error);
