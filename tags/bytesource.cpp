#include "tags/bytesource.h"

#include <algorithm>
#include <cstring>

#include "tags/posixfile.h"

namespace {

constexpr std::size_t WindowSize = 4096;

}  // namespace

std::size_t TMemorySource::ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) {
  if (offset < 0 || offset >= Size()) return 0;
  const std::size_t count = std::min(n, FBytes.size() - std::size_t(offset));
  if (count > 0) std::memcpy(out, FBytes.data() + offset, count);
  return count;
}

TFileSource::TFileSource(const TPosixFile& file) : FFile(file), FSize(file.SizeAtOpen()) {}

std::size_t TFileSource::ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) {
  if (offset < 0 || offset >= FSize) return 0;
  const std::int64_t windowEnd = FWindowStart + std::int64_t(FWindow.size());
  if (offset < FWindowStart || offset + std::int64_t(n) > windowEnd) {
    // Never asks for bytes past the end, so a read that gets them all is the only read.
    FWindow.resize(std::size_t(std::min<std::int64_t>(std::max(n, WindowSize), FSize - offset)));
    const std::int64_t got = FFile.ReadAt(offset, FWindow.data(), FWindow.size());
    FWindow.resize(got < 0 ? 0 : std::size_t(got));
    FWindowStart = offset;
  }
  const std::int64_t available = FWindowStart + std::int64_t(FWindow.size()) - offset;
  const std::size_t count = std::size_t(std::clamp<std::int64_t>(available, 0, std::int64_t(n)));
  if (count > 0) std::memcpy(out, FWindow.data() + (offset - FWindowStart), count);
  return count;
}
