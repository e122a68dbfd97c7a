#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TPosixFile;

// Random access to a file's bytes, so the tag parsers run on memory (tests, fuzzer) and on
// open files alike.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual std::int64_t Size() = 0;
  // Copies up to n bytes at the offset, fewer only at the end of the data. A read that fails
  // throws: a short read taken for the end of a tag would lose the frames behind it.
  virtual std::size_t ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) = 0;
  // The n bytes at the offset without a copy, where the source holds them all or can take them
  // in at once; valid until the next read. No value otherwise, and from a source that holds no
  // bytes of its own.
  virtual std::optional<std::string_view> View(std::int64_t /*offset*/, std::size_t /*n*/) {
    return std::nullopt;
  }
};

// The bytes must outlive the source.
class TMemorySource : public TByteSource {
 public:
  explicit TMemorySource(std::string_view bytes) : FBytes(bytes) {}
  std::int64_t Size() override { return std::int64_t(FBytes.size()); }
  std::size_t ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) override;
  std::optional<std::string_view> View(std::int64_t offset, std::size_t n) override;

 private:
  std::string_view FBytes;
};

// Reads an open file through two windows of 4 KiB: the header and the text frames behind it
// usually arrive in a single read, a large body that the walk skips is never read, and the
// frames before such a body are still at hand when their texts are read after the walk. A read
// larger than a window goes to the file directly. The size is the file's when it was opened: a
// read that fails, or that finds the file shorter, throws TFileOpenError naming `path`.
class TFileSource : public TByteSource {
 public:
  TFileSource(const TPosixFile& file, const std::string& path);
  std::int64_t Size() override { return FSize; }
  std::size_t ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) override;
  std::optional<std::string_view> View(std::int64_t offset, std::size_t n) override;

 private:
  static constexpr std::size_t WindowSize = 4096;
  struct TWindow {
    std::int64_t Start = 0;
    std::size_t Length = 0;  // bytes read from Start on
    std::array<std::uint8_t, WindowSize> Bytes;
  };

  // The window that holds the bytes at the offset, as many of n as there are, filled from the
  // file when neither does; none for more than a window's worth.
  const TWindow* Cover(std::int64_t offset, std::size_t n);
  // Reads exactly n bytes, which lie inside the file's size.
  void ReadFile(std::int64_t offset, std::uint8_t* out, std::size_t n);

  const TPosixFile& FFile;
  const std::string& FPath;
  std::int64_t FSize;
  TWindow FWindows[2];
  std::size_t FLastUsed = 0;  // the other window is refilled on a miss
};
