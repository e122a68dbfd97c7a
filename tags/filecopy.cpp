#include "tags/filecopy.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

constexpr std::size_t BufferSize = std::size_t(1) << 20;
constexpr std::size_t KernelChunk = std::size_t(1) << 30;

// Errors by which copy_file_range says it cannot copy between these files at all.
bool KernelRefused(int error) {
  return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

bool CopySegment(int in, std::int64_t from, std::int64_t length, int out, std::int64_t to) {
  loff_t inOffset = from;
  loff_t outOffset = to;
  while (length > 0) {
    const std::size_t chunk = std::size_t(std::min<std::int64_t>(length, KernelChunk));
    const ssize_t copied = ::copy_file_range(in, &inOffset, out, &outOffset, chunk, 0);
    if (copied < 0 && errno == EINTR) continue;
    if (copied < 0 && KernelRefused(errno)) {
      return CopyByBuffer(in, inOffset, length, out, outOffset);
    }
    if (copied < 0) return false;
    if (copied == 0) {  // the source shrank under us
      errno = EIO;
      return false;
    }
    length -= copied;
  }
  return true;
}

}  // namespace

bool CopyByBuffer(int in, std::int64_t from, std::int64_t length, int out, std::int64_t to) {
  std::vector<char> buffer(std::size_t(std::min<std::int64_t>(length, BufferSize)));
  while (length > 0) {
    const std::size_t want = std::size_t(std::min<std::int64_t>(length, BufferSize));
    const ssize_t got = ::pread(in, buffer.data(), want, from);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got == 0) errno = EIO;
      return false;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::pwrite(out, buffer.data() + done, std::size_t(got - done), to + done);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) {
        if (put == 0) errno = EIO;
        return false;
      }
      done += put;
    }
    from += got;
    to += got;
    length -= got;
  }
  return true;
}

bool CopyFileTail(int in, std::int64_t from, std::int64_t end, int out, std::int64_t to) {
  std::int64_t position = from;
  while (position < end) {
    off_t data = ::lseek(in, position, SEEK_DATA);
    off_t hole = end;
    if (data < 0) {
      if (errno == ENXIO) break;  // only a hole is left
      data = position;            // no hole support: all of it is data
    } else {
      hole = ::lseek(in, data, SEEK_HOLE);
      if (hole < 0 || hole > end) hole = end;
    }
    if (data >= end) break;
    if (!CopySegment(in, data, hole - data, out, to + (data - from))) return false;
    position = hole;
  }
  return ::ftruncate(out, to + (end - from)) == 0;
}
