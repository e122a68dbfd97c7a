#include "tags/bytesource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tags/fileerror.h"
#include "tags/posixfile.h"

std::size_t TMemorySource::ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) {
  if (offset < 0 || offset >= Size()) return 0;
  const std::size_t count = std::min(n, FBytes.size() - std::size_t(offset));
  if (count > 0) std::memcpy(out, FBytes.data() + offset, count);
  return count;
}

std::optional<std::string_view> TMemorySource::View(std::int64_t offset, std::size_t n) {
  if (offset < 0 || offset > Size() || n > FBytes.size() - std::size_t(offset)) return std::nullopt;
  return FBytes.substr(std::size_t(offset), n);
}

TFileSource::TFileSource(const TPosixFile& file, const std::string& path)
    : FFile(file), FPath(path), FSize(file.SizeAtOpen()) {}

void TFileSource::ReadFile(std::int64_t offset, std::uint8_t* out, std::size_t n) {
  const std::int64_t got = FFile.ReadAt(offset, out, n);
  if (got < 0) throw TFileOpenError(FPath, ReadFailure(errno));
  if (got < std::int64_t(n)) throw TFileOpenError(FPath, ChangedReason());
}

const TFileSource::TWindow* TFileSource::Cover(std::int64_t offset, std::size_t n) {
  const auto covers = [&](const TWindow& window) {
    return offset >= window.Start &&
           offset + std::int64_t(n) <= window.Start + std::int64_t(window.Length);
  };
  if (covers(FWindows[FLastUsed])) return &FWindows[FLastUsed];
  if (n > WindowSize) return nullptr;
  FLastUsed = 1 - FLastUsed;
  TWindow& window = FWindows[FLastUsed];
  if (!covers(window)) {
    // Never asks for bytes past the end, so a read that gets them all is the only read.
    const auto length = std::size_t(std::min<std::int64_t>(WindowSize, FSize - offset));
    window.Length = 0;  // until the read succeeds
    ReadFile(offset, window.Bytes.data(), length);
    window.Start = offset;
    window.Length = length;
  }
  return &window;
}

std::size_t TFileSource::ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t n) {
  if (offset < 0 || offset >= FSize) return 0;
  const TWindow* window = Cover(offset, n);
  if (!window) {
    const auto count = std::size_t(std::min<std::int64_t>(std::int64_t(n), FSize - offset));
    ReadFile(offset, out, count);
    return count;
  }
  const std::int64_t available = window->Start + std::int64_t(window->Length) - offset;
  const std::size_t count = std::size_t(std::clamp<std::int64_t>(available, 0, std::int64_t(n)));
  if (count > 0) std::memcpy(out, window->Bytes.data() + (offset - window->Start), count);
  return count;
}

std::optional<std::string_view> TFileSource::View(std::int64_t offset, std::size_t n) {
  if (offset < 0 || offset >= FSize) return std::nullopt;
  const TWindow* window = Cover(offset, n);
  if (!window || offset + std::int64_t(n) > window->Start + std::int64_t(window->Length))
    return std::nullopt;
  return std::string_view(reinterpret_cast<const char*>(window->Bytes.data()), window->Length)
      .substr(std::size_t(offset - window->Start), n);
}
