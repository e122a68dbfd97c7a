#include "scan/directorylistbox.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "scan/dirhandle.h"
#include "scan/drivecombobox.h"
#include "scan/folderitemdelegate.h"
#include "scan/inouterror.h"
#include "scan/nativepath.h"
#include "window/messagebox.h"

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int KindRole = Qt::UserRole + 1;

// File systems that look names up without regard to case (they keep the case as written).
bool IsCaseInsensitiveFs(const std::string& fsType) {
  return fsType == "vfat" || fsType == "msdos" || fsType == "exfat";
}

// The visible subfolders of a folder: hidden ones and anything that is not a folder (devices,
// sockets, dangling links) left out. A link to a folder counts as a folder.
std::vector<std::string> Subfolders(const std::string& folder) {
  std::vector<std::string> names;
  TDirHandle dir(opendir(folder.c_str()));
  if (!dir) return names;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (IsHiddenName(name)) continue;
    struct stat st;
    if (fstatat(dirfd(dir.get()), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode))
      names.push_back(name);
  }
  return names;
}

// The folders below the drive's mount point on the way to the folder.
std::vector<std::string> PathComponents(const std::string& drive, const std::string& folder) {
  std::vector<std::string> parts;
  const std::string rest = folder.substr(std::min(drive.size(), folder.size()));
  std::size_t start = 0;
  while (start < rest.size()) {
    std::size_t end = rest.find('/', start);
    if (end == std::string::npos) end = rest.size();
    if (end > start) parts.push_back(rest.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// The folder that holds a path: "/a" for "/a/b" and "/a/b/", "/" for "/a"; empty for "/".
std::string ParentFolder(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || path == "/") return {};
  return path.substr(0, std::max<std::size_t>(slash, 1));
}

}  // namespace

TDirectoryListBox::TDirectoryListBox(QWidget* parent, std::shared_ptr<const TMountSource> mounts)
    : QListWidget(parent), Source(mounts ? std::move(mounts) : SystemMountSource()) {
  setItemDelegate(new TFolderItemDelegate(RowHeight, this));
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  FDirectory = CurrentFolder();
  if (FDirectory.empty()) FDirectory.assign(1, '/');  // the current folder was removed
  FillList();
}

void TDirectoryListBox::SetDriveCombo(TDriveComboBox* combo) { FDriveCombo = combo; }

bool TDirectoryListBox::IsOpenedFolder(const std::string& path) const {
  if (FCaseSensitive) return path == FDirectory;
  return DisplayPath(path).compare(DisplayPath(FDirectory), Qt::CaseInsensitive) == 0;
}

void TDirectoryListBox::SetDirectory(const std::string& path) {
  if (path.empty()) return;
  // Resolved first: moving the drive chooser changes the process's current folder, a link may
  // lead onto another drive, and "music/" names the same folder as "music".
  const std::string folder = ResolvedPath(path);
  if (IsOpenedFolder(folder)) return;
  if (FDriveCombo) {
    const std::string drive = MountPointOf(Source->Mounts(), folder);
    if (drive != FDrive) FDriveCombo->SetDrive(drive);
  }
  Enter(folder);
}

void TDirectoryListBox::SetDirectoryOrNearest(const std::string& path) {
  try {
    SetDirectory(path);
  } catch (const TInOutError&) {
    const auto opens = [this](const std::string& folder) {
      try {
        SetDirectory(folder);
        return true;
      } catch (const TInOutError&) {
        return false;
      }
    };
    for (std::string above = ParentFolder(AbsolutePath(path)); !above.empty();
         above = ParentFolder(above))
      if (opens(above)) break;
    throw;
  }
}

void TDirectoryListBox::OpenHighlighted() { SetDirectory(HighlightedPath()); }

void TDirectoryListBox::MoveToDrive(const std::string& drive, const std::string& folder) {
  if (drive == FDrive) return;
  try {
    Enter(folder);
  } catch (const TInOutError&) {
    // The folder last used on that drive was removed since: start at the drive's root.
    if (folder == drive) throw;
    Enter(drive);
  }
}

void TDirectoryListBox::Enter(const std::string& path) {
  if (::chdir(path.c_str()) != 0) throw TInOutError(errno, path);
  const std::string current = CurrentFolder();
  FDirectory = current.empty() ? path : current;
  FillList();
  if (FDriveCombo) FDriveCombo->RememberFolder(FDrive, FDirectory);
}

void TDirectoryListBox::AddItem(const std::string& path, const QString& text, TItemKind kind,
                                int indent) {
  auto* item = new QListWidgetItem(FImages[static_cast<int>(kind)],
                                   FCasePreserving ? text : text.toLower(), this);
  item->setData(PathRole, QByteArray::fromStdString(path));
  item->setData(KindRole, static_cast<int>(kind));
  item->setData(TFolderItemDelegate::IndentRole, indent);
}

void TDirectoryListBox::FillList() {
  clear();
  // Open folder, current folder and closed folder, in the order of TItemKind.
  FImages = {style()->standardIcon(QStyle::SP_DirOpenIcon),
             style()->standardIcon(QStyle::SP_DialogOpenButton),
             style()->standardIcon(QStyle::SP_DirClosedIcon)};
  const std::vector<TMount> mounts = Source->Mounts();
  FDrive = MountPointOf(mounts, FDirectory);
  if (FDrive.empty()) FDrive.assign(1, '/');  // no mount holds it: the file-system root
  const TMount* volume = FindMount(mounts, FDrive);
  FCaseSensitive = !(volume && IsCaseInsensitiveFs(volume->FsType));
  FCasePreserving = true;  // every Linux file system keeps names as written

  const std::vector<std::string> parts = PathComponents(FDrive, FDirectory);
  AddItem(FDrive, DisplayPath(FDrive),
          parts.empty() ? TItemKind::OpenedFolder : TItemKind::PathFolder, 2);
  std::string path = FDrive;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    path = JoinPath(path, parts[i]);
    AddItem(path, DisplayPath(parts[i]),
            i + 1 == parts.size() ? TItemKind::OpenedFolder : TItemKind::PathFolder,
            4 * static_cast<int>(i + 1) + 2);
  }
  const int openedRow = static_cast<int>(parts.size());

  std::vector<std::pair<QString, std::string>> subfolders;
  for (std::string& name : Subfolders(FDirectory))
    subfolders.emplace_back(DisplayPath(name), std::move(name));
  std::sort(subfolders.begin(), subfolders.end(), [](const auto& a, const auto& b) {
    const int order = a.first.compare(b.first, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a.second < b.second;
  });
  // Subfolders sit one step right of the opened folder; under the root, two steps (the root's
  // own separator counts as one more level).
  const int subIndent = 4 * std::max(1, openedRow) + 6;
  for (const auto& [text, name] : subfolders)
    AddItem(JoinPath(FDirectory, name), text, TItemKind::Subfolder, subIndent);

  setCurrentRow(openedRow);
}

std::string TDirectoryListBox::FullPath(int row) const {
  const QListWidgetItem* entry = item(row);
  return entry ? entry->data(PathRole).toByteArray().toStdString() : std::string();
}

std::string TDirectoryListBox::HighlightedPath() const {
  return currentRow() >= 0 ? FullPath(currentRow()) : FDirectory;
}

TDirectoryListBox::TItemKind TDirectoryListBox::ItemKind(int row) const {
  return static_cast<TItemKind>(item(row)->data(KindRole).toInt());
}

int TDirectoryListBox::Indent(int row) const {
  return item(row)->data(TFolderItemDelegate::IndentRole).toInt();
}

void TDirectoryListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  // Not passed on: opening refills the list under the clicked item.
  if (event->button() != Qt::LeftButton) return;
  if (const QListWidgetItem* clicked = itemAt(event->position().toPoint())) {
    const std::string path = FullPath(row(clicked));
    RunUserAction([&] { SetDirectory(path); });
  }
}

void TDirectoryListBox::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    RunUserAction([this] { OpenHighlighted(); });
    return;
  }
  QListWidget::keyPressEvent(event);
}
