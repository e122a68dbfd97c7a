#pragma once

#include <QComboBox>
#include <QPointer>
#include <map>
#include <memory>
#include <string>

#include "scan/mounttable.h"

class TDirectoryListBox;

// The drive chooser. A drive is named by its mount point. The chooser holds the current drive,
// moves the linked folder list whenever the drive changes, and keeps the process's current
// folder of each drive. Subclasses decide which drives are listed (FillDriveList).
class TDriveComboBox : public QComboBox {
  Q_OBJECT

 public:
  // The current drive: a mount point, empty when there is none. It may be a drive that is not
  // listed (the process started in a folder on one).
  const std::string& Drive() const { return FDrive; }

  // Nothing when an item is selected and the drive is the current one; an empty drive clears
  // the drive and the selection. Otherwise the drive becomes current, its item is selected (the
  // selection stays when it is not listed) and the folder list moves to the drive's current
  // folder, which may throw TInOutError.
  void SetDrive(const std::string& drive);

  // Links the folder list, both ways.
  void SetDirList(TDirectoryListBox* list);
  TDirectoryListBox* DirList() const;

  // The mount point of an item; the index of a listed drive, -1 when it is not listed.
  std::string ItemDrive(int index) const;
  int IndexOfDrive(const std::string& drive) const;

  // The current folder of a drive: the folder last opened there, else its mount point.
  std::string CurrentFolderOf(const std::string& drive) const;
  void RememberFolder(const std::string& drive, const std::string& folder);

  // The drive holding a path (relative paths count from the process's current folder).
  std::string DriveOf(const std::string& path) const;

  std::shared_ptr<const TMountSource> MountSource() const { return Source; }

 protected:
  TDriveComboBox(QWidget* parent, std::shared_ptr<const TMountSource> mounts);

  // Empties the list and adds the drives it offers with AddDrive.
  virtual void FillDriveList() = 0;
  void AddDrive(const std::string& mountPoint, const QString& text, const QIcon& icon);

  // Fills the list and takes the drive of the process's current folder. Run by the subclass's
  // constructor, once FillDriveList is its own.
  void CreateList();

  std::shared_ptr<const TMountSource> Source;

 private:
  std::string FDrive;
  QPointer<TDirectoryListBox> FDirList;
  std::map<std::string, std::string> FCurrentFolders;
};
