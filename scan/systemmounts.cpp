// The real mount table: /proc/self/mountinfo, with removable flags from sysfs and labels from
// the volume itself.

#include "scan/systemmounts.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QStorageInfo>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "scan/nativepath.h"

namespace {

// mountinfo writes space, tab, newline and backslash in paths as \040, \011, \012, \134.
std::string Unescape(const std::string& field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() &&
        std::isdigit(static_cast<unsigned char>(field[i + 1]))) {
      out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

// The sysfs folder of a block device, or empty when the number names none.
std::string SysBlockFolder(dev_t device) {
  const std::string link =
      "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  char resolved[PATH_MAX];
  return realpath(link.c_str(), resolved) ? std::string(resolved) : std::string();
}

// A partition's removable flag is its disk's: the partition's parent folder in sysfs.
bool IsRemovable(const std::string& sysFolder) {
  struct stat st;
  const bool partition = ::stat((sysFolder + "/partition").c_str(), &st) == 0;
  const std::string disk = partition ? sysFolder.substr(0, sysFolder.rfind('/')) : sysFolder;
  std::ifstream flag(disk + "/removable");
  int value = 0;
  return (flag >> value) && value == 1;
}

// The block device behind a mount: the source when it is a device node, else the device
// number the table gives (file systems like btrfs report an anonymous number there).
dev_t BlockDeviceOf(const std::string& source, dev_t tableDevice) {
  struct stat st;
  if (source.starts_with("/dev/") && ::stat(source.c_str(), &st) == 0 && S_ISBLK(st.st_mode))
    return st.st_rdev;
  return tableDevice;
}

}  // namespace

TMount ParseMountInfoLine(const std::string& line) {
  // id parent major:minor root mount-point options [optional...] - type source super-options
  std::istringstream in(line);
  std::string id, parent, devNumbers, root, mountPoint, field;
  in >> id >> parent >> devNumbers >> root >> mountPoint;
  while (in >> field && field != "-") {
  }
  TMount mount;
  std::string source;
  in >> mount.FsType >> source;
  mount.MountPoint = Unescape(mountPoint);
  mount.Source = Unescape(source);

  unsigned maj = 0, min = 0;
  std::sscanf(devNumbers.c_str(), "%u:%u", &maj, &min);
  const dev_t device = BlockDeviceOf(mount.Source, makedev(maj, min));
  const std::string sysFolder = major(device) == 0 ? std::string() : SysBlockFolder(device);
  mount.BlockDevice = !sysFolder.empty();
  mount.Removable = mount.BlockDevice && IsRemovable(sysFolder);
  return mount;
}

namespace {

class TSystemMountSource : public TMountSource {
 public:
  std::vector<TMount> Mounts() const override {
    std::vector<TMount> mounts;
    std::ifstream table("/proc/self/mountinfo");
    for (std::string line; std::getline(table, line);) {
      TMount mount = ParseMountInfoLine(line);
      if (mount.MountPoint.empty()) continue;
      // Only disks show a label; asking a network share could hang.
      if (mount.BlockDevice) mount.Label = QStorageInfo(DisplayPath(mount.MountPoint)).name();
      mounts.push_back(std::move(mount));
    }
    return mounts;
  }
};

}  // namespace

std::shared_ptr<const TMountSource> SystemMountSource() {
  return std::make_shared<TSystemMountSource>();
}
