#include "tags/xattrcopy.h"

#include <sys/xattr.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "tags/fileerror.h"
#include "tags/posixfile.h"

namespace {

// Reads a list or a value whose size may change between asking and reading: asks again then.
template <typename ReadFn>
bool ReadGrowing(std::vector<char>& out, ReadFn read) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t size = read(nullptr, 0);
    if (size < 0) return false;
    out.resize(std::size_t(size));
    const ssize_t got = read(out.data(), out.size());
    if (got >= 0) {
      out.resize(std::size_t(got));
      return true;
    }
    if (errno != ERANGE) return false;
  }
  return false;
}

}  // namespace

void CopyExtendedAttributes(int from, int to, const std::string& path) {
  std::vector<char> names;
  if (!ReadGrowing(names, [from](char* buffer, std::size_t size) {
        return ::flistxattr(from, buffer, size);
      })) {
    if (errno == ENOTSUP) return;
    throw TFileOpenError(path, "Its extended attributes cannot be read. " + FailureReason(errno));
  }
  std::vector<char> value;
  for (std::size_t at = 0; at < names.size();) {
    const std::string name(names.data() + at);
    at += name.size() + 1;
    if (!ReadGrowing(value, [from, &name](char* buffer, std::size_t size) {
          return ::fgetxattr(from, name.c_str(), buffer, size);
        })) {
      if (errno == ENODATA) continue;  // removed meanwhile
      throw TFileOpenError(
          path, "Its extended attribute " + name + " cannot be read. " + FailureReason(errno));
    }
    if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0 &&
        !std::string_view(name).starts_with("security.")) {
      throw TFileOpenError(path, "Its extended attribute " + name + " cannot be kept. " +
                                     FailureReason(errno, TFailedOn::Folder));
    }
  }
}
