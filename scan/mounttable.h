#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

// One mounted file system as the drive chooser sees it. Paths are native bytes.
struct TMount {
  std::string MountPoint;
  std::string FsType;
  std::string Source;        // the device or remote share it was mounted from
  QString Label;             // volume label, empty when it has none
  bool BlockDevice = false;  // it sits on a block device
  bool Removable = false;    // that device (or the disk holding the partition) is removable
};

// Where the mounts come from. The real program reads the system's table; tests describe a machine.
class TMountSource {
 public:
  virtual ~TMountSource() = default;
  // The mounts as they are now, in the table's order.
  virtual std::vector<TMount> Mounts() const = 0;
};

// The source the program uses when nobody passes another.
std::shared_ptr<const TMountSource> SystemMountSource();

// A drive is a fixed disk: a local, non-removable block device carrying a disk file system.
// Network, optical, RAM and pseudo file systems are not drives. A container's root is an
// overlay on no block device of its own; it stands for the system disk and is a drive too.
bool IsFixedDisk(const TMount& mount);

// The mount point of the mount that holds the absolute path (longest matching prefix, whole
// path components only); empty when no mount does.
std::string MountPointOf(const std::vector<TMount>& mounts, const std::string& path);

// The mount with that mount point, or nullptr.
const TMount* FindMount(const std::vector<TMount>& mounts, const std::string& mountPoint);
