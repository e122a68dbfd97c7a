#pragma once

#include <QIcon>
#include <QListWidget>
#include <QPointer>
#include <array>
#include <memory>
#include <string>

#include "scan/mounttable.h"

class TDriveComboBox;

// The folder list. It shows the drive's root, each folder on the path to the opened folder,
// the opened folder, then the opened folder's subfolders (hidden and system ones left out,
// sorted without regard to case). The highlight is the selection: a single click moves only
// the highlight; a double click or Enter opens the highlighted folder. The list works through
// the process's current folder: opening a folder makes it the current folder too.
class TDirectoryListBox : public QListWidget {
  Q_OBJECT

 public:
  enum class TItemKind { PathFolder, OpenedFolder, Subfolder };
  static constexpr int RowHeight = 16;

  // Opens the process's current folder.
  explicit TDirectoryListBox(QWidget* parent = nullptr,
                             std::shared_ptr<const TMountSource> mounts = nullptr);

  // The opened folder, a full path.
  const std::string& Directory() const { return FDirectory; }
  // Opens a folder: an empty path or the opened folder itself changes nothing; a folder on
  // another drive moves the linked drive chooser first. A folder that cannot be entered throws
  // TInOutError and the list stays on its previous folder.
  void SetDirectory(const std::string& path);
  // Opens the folder or, when it cannot be entered (on a disk that is not mounted, say), the
  // nearest folder above it that can, and then throws the TInOutError of the folder itself.
  void SetDirectoryOrNearest(const std::string& path);
  // Opens the highlighted folder, as a double click does.
  void OpenHighlighted();

  // The drive (mount point) of the opened folder.
  const std::string& Drive() const { return FDrive; }
  // Opens the drive's current folder unless the opened folder is on that drive already. Falls
  // back to the drive's mount point when that folder is gone; throws TInOutError when the
  // drive itself cannot be entered.
  void MoveToDrive(const std::string& drive, const std::string& folder);

  // The full path of an item, and of the highlighted one (the opened folder when none is).
  std::string FullPath(int item) const;
  std::string HighlightedPath() const;
  TItemKind ItemKind(int item) const;
  int Indent(int item) const;  // pixels before the item's image

  // The volume's case flags, taken each time the list is filled.
  bool CaseSensitive() const { return FCaseSensitive; }
  bool CasePreserving() const { return FCasePreserving; }

  // Set by the drive chooser when it links this list.
  void SetDriveCombo(TDriveComboBox* combo);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool IsOpenedFolder(const std::string& path) const;
  void Enter(const std::string& path);
  void FillList();
  void AddItem(const std::string& path, const QString& text, TItemKind kind, int indent);

  std::shared_ptr<const TMountSource> Source;
  QPointer<TDriveComboBox> FDriveCombo;
  std::array<QIcon, 3> FImages;
  std::string FDirectory;
  std::string FDrive;
  bool FCaseSensitive = true;
  bool FCasePreserving = true;
};
