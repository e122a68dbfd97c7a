#include "scan/drivecombobox.h"

#include "scan/directorylistbox.h"
#include "scan/nativepath.h"
#include "window/messagebox.h"

namespace {

// "/data/" and "/data" name the same drive.
std::string WithoutFinalSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

TDriveComboBox::TDriveComboBox(QWidget* parent, std::shared_ptr<const TMountSource> mounts)
    : QComboBox(parent), Source(mounts ? std::move(mounts) : SystemMountSource()) {
  connect(this, &QComboBox::activated, this,
          [this](int index) { RunUserAction([&] { SetDrive(ItemDrive(index)); }); });
}

void TDriveComboBox::CreateList() {
  FillDriveList();
  const std::string folder = CurrentFolder();
  FDrive = DriveOf(folder);
  setCurrentIndex(IndexOfDrive(FDrive));
  RememberFolder(FDrive, folder);
}

void TDriveComboBox::AddDrive(const std::string& mountPoint, const QString& text,
                              const QIcon& icon) {
  addItem(icon, text, QByteArray::fromStdString(mountPoint));
}

std::string TDriveComboBox::ItemDrive(int index) const {
  return itemData(index).toByteArray().toStdString();
}

int TDriveComboBox::IndexOfDrive(const std::string& drive) const {
  return drive.empty() ? -1 : findData(QByteArray::fromStdString(drive));
}

void TDriveComboBox::SetDrive(const std::string& newDrive) {
  const std::string drive = WithoutFinalSlash(newDrive);
  if (currentIndex() >= 0 && drive == FDrive) return;
  if (drive.empty()) {
    FDrive.clear();
    setCurrentIndex(-1);
    return;
  }
  FDrive = drive;
  if (const int index = IndexOfDrive(drive); index >= 0) setCurrentIndex(index);
  if (FDirList) FDirList->MoveToDrive(drive, CurrentFolderOf(drive));
}

void TDriveComboBox::SetDirList(TDirectoryListBox* list) {
  FDirList = list;
  if (list) list->SetDriveCombo(this);
}

TDirectoryListBox* TDriveComboBox::DirList() const { return FDirList; }

std::string TDriveComboBox::CurrentFolderOf(const std::string& drive) const {
  auto it = FCurrentFolders.find(drive);
  return it == FCurrentFolders.end() ? drive : it->second;
}

void TDriveComboBox::RememberFolder(const std::string& drive, const std::string& folder) {
  if (!drive.empty() && !folder.empty()) FCurrentFolders[drive] = folder;
}

std::string TDriveComboBox::DriveOf(const std::string& path) const {
  return MountPointOf(Source->Mounts(), AbsolutePath(path));
}
