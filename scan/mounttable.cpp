#include "scan/mounttable.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// File systems that are never a fixed disk, even when a block device carries them. Pseudo file
// systems need no entry: they sit on no block device.
constexpr std::array<std::string_view, 11> NotDiskTypes = {
    "nfs",      "nfs4",  "cifs", "smb3", "smbfs", "sshfs",  // network
    "iso9660",  "udf",                                      // optical
    "tmpfs",    "ramfs",                                    // RAM
    "squashfs",                                             // read-only images (snaps, live media)
};

bool IsPathPrefix(const std::string& prefix, const std::string& path) {
  if (prefix.empty() || path.compare(0, prefix.size(), prefix) != 0) return false;
  return prefix.back() == '/' || path.size() == prefix.size() || path[prefix.size()] == '/';
}

}  // namespace

bool IsFixedDisk(const TMount& mount) {
  if (mount.Removable || mount.FsType.starts_with("fuse.")) return false;
  if (std::find(NotDiskTypes.begin(), NotDiskTypes.end(), mount.FsType) != NotDiskTypes.end())
    return false;
  return mount.BlockDevice || (mount.MountPoint == "/" && mount.FsType == "overlay");
}

std::string MountPointOf(const std::vector<TMount>& mounts, const std::string& path) {
  std::string best;
  for (const TMount& mount : mounts) {
    if (mount.MountPoint.size() > best.size() && IsPathPrefix(mount.MountPoint, path))
      best = mount.MountPoint;
  }
  return best;
}

const TMount* FindMount(const std::vector<TMount>& mounts, const std::string& mountPoint) {
  // A later mount on the same point hides the earlier one.
  auto it = std::find_if(mounts.rbegin(), mounts.rend(),
                         [&](const TMount& m) { return m.MountPoint == mountPoint; });
  return it == mounts.rend() ? nullptr : &*it;
}
