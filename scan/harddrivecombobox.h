#pragma once

#include "scan/drivecombobox.h"

// The drive chooser that offers the fixed disks only, ordered by mount point, each as
// "mount point [label]" with the hard-disk image.
class THardDriveComboBox : public TDriveComboBox {
  Q_OBJECT

 public:
  explicit THardDriveComboBox(QWidget* parent = nullptr,
                              std::shared_ptr<const TMountSource> mounts = nullptr);

  // The drive's label in brackets, lower-cased: "[system]"; "[]" when it has none or the drive
  // is not mounted.
  QString DriveLabelText(const std::string& drive) const;

 protected:
  void FillDriveList() override;
};
