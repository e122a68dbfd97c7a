#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class TPosixFile;

// Random access to a file's bytes, so the tag parsers run on memory (tests, fuzzer) and on
// open files alike.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual std::int64_t Size() const = 0;
  // Copies up to n bytes at the offset; fewer at the end of the data or on a read error.
  virtual std::size_t ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) = 0;
};

// The bytes must outlive the source.
class TMemorySource : public TByteSource {
 public:
  explicit TMemorySource(std::string_view bytes) : FBytes(bytes) {}
  std::int64_t Size() const override { return std::int64_t(FBytes.size()); }
  std::size_t ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) override;

 private:
  std::string_view FBytes;
};

// Reads an open file through one window of a few KiB: the header and the text frames behind
// it usually arrive in a single read, and a large body that the walk skips is never read.
class TFileSource : public TByteSource {
 public:
  explicit TFileSource(const TPosixFile& file);
  std::int64_t Size() const override { return FSize; }
  std::size_t ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) override;

 private:
  const TPosixFile& FFile;
  std::int64_t FSize;
  std::int64_t FWindowStart = 0;
  std::vector<std::uint8_t> FWindow;  // the bytes last read, from FWindowStart on
};
