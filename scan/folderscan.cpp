#include "scan/folderscan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "grid/grid.h"
#include "scan/dirhandle.h"
#include "scan/nativepath.h"
#include "window/naturalorder.h"
#include "window/rowstore.h"

namespace {

// The default pump runs the window's events at most this often.
constexpr qint64 PumpIntervalNs = 1'000'000;
// The progress text changes at most this often; every change lays out the status line.
constexpr int ProgressIntervalMs = 100;
// The table takes a long list in steps of this many rows, with the window's events run between
// them: it lays out every row it gains, and a million rows at once would hold the window for
// longer than a frame.
constexpr int RowLimitStep = 16384;

// "*.mp3" as Windows matches it: the extension in any letter case, any name before it.
bool MatchesMp3(const char* name) {
  const std::string_view text(name);
  if (text.size() < 4) return false;
  const std::string_view ext = text.substr(text.size() - 4);
  auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
  return ext[0] == '.' && lower(ext[1]) == 'm' && lower(ext[2]) == 'p' && ext[3] == '3';
}

std::string WithSeparator(const std::string& folder) {
  return folder.ends_with('/') ? folder : folder + "/";
}

// Every scan's list starts at its first cell, whichever column was active before. The grid
// keeps one column shown at least.
int FirstShownColumn(const TGrid& grid) {
  int column = 0;
  while (grid.IsColumnHidden(column)) ++column;
  return column;
}

// Names of one folder's entries, each followed by its NUL, in blocks that never move: a folder
// of many files costs a few allocations, and growing copies nothing (copying megabytes of names
// at once would hold up the window).
class TNameList {
 public:
  void Add(std::string_view name) {
    if (Free <= name.size()) {
      Free = std::max(BlockSize, name.size() + 1);
      Blocks.emplace_back(new char[Free]);
      Next = Blocks.back().get();
    }
    std::memcpy(Next, name.data(), name.size());
    Next[name.size()] = '\0';
    Names.emplace_back(Next, name.size());
    Next += name.size() + 1;
    Free -= name.size() + 1;
  }
  std::size_t Size() const { return Names.size(); }
  const char* operator[](std::size_t i) const { return Names[i].data(); }

  // Puts the names in natural order (Track2 before Track10), as file managers list them. A
  // folder of a million names takes seconds to sort: `pump` runs every so many comparisons.
  void Sort(const std::function<void()>& pump) {
    std::size_t comparisons = 0;
    std::sort(Names.begin(), Names.end(), [&](std::string_view a, std::string_view b) {
      if (++comparisons % 1024 == 0) pump();
      return NaturalCompare(a, b) < 0;
    });
  }

 private:
  static constexpr std::size_t BlockSize = 64 * 1024;
  std::vector<std::unique_ptr<char[]>> Blocks;
  char* Next = nullptr;
  std::size_t Free = 0;
  std::deque<std::string_view> Names;
};

}  // namespace

QString ScanProgressText(const QString& folder, int found) {
  const QString count =
      found == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(found);
  return QStringLiteral("Scanning %1 (%2 found)").arg(folder, count);
}

TFolderScan::PumpFn WindowEventPump(TFolderScan::PumpFn run) {
  if (!run) run = [] { QCoreApplication::processEvents(); };
  return [run = std::move(run), sinceRun = QElapsedTimer()]() mutable {
    if (sinceRun.isValid() && sinceRun.nsecsElapsed() < PumpIntervalNs) return;
    run();
    sinceRun.start();
  };
}

TFolderScan::TFolderScan(TRowStore& store, TGrid& grid, SetStatusFn setStatus, PumpFn pump)
    : Store(store),
      Grid(grid),
      SetStatus(std::move(setStatus)),
      PumpEvents(pump ? std::move(pump) : WindowEventPump()) {
  FProgressTimer.setInterval(ProgressIntervalMs);
  QObject::connect(&FProgressTimer, &QTimer::timeout, &FProgressTimer, [this] { ShowProgress(); });
}

void TFolderScan::Scan(const std::string& target, TScanScope scope) {
  if (BeforeScan && !BeforeScan()) return;
  FPending = TJob{target, scope};
  if (FRunning) {
    // Called from the running scan's event pump: let that scan unwind, then this one starts.
    FStopRequested = true;
    return;
  }
  FRunning = true;
  FProgressShown = false;
  struct TEndGuard {
    TFolderScan& Scan;
    ~TEndGuard() {
      Scan.FRunning = false;
      Scan.FPending.reset();
    }
  } guard{*this};
  while (FPending) {
    const TJob job = *std::exchange(FPending, std::nullopt);
    FStopRequested = false;
    Run(job);
  }
}

void TFolderScan::Stop() {
  FPending.reset();
  FStopRequested = FRunning;
}

void TFolderScan::Run(const TJob& job) {
  FRecurse = job.Scope != TScanScope::Folder;
  FDevice.reset();
  struct stat st;
  if (job.Scope == TScanScope::EntireDrive && ::stat(job.Target.c_str(), &st) == 0)
    FDevice = st.st_dev;

  Store.Empty();
  Grid.SetRowLimit(2);

  FProgressTimer.start();
  // An empty target names no folder; read as "/" it would walk every mount.
  if (!job.Target.empty()) ScanFolder(job.Target);
  FProgressTimer.stop();
  // A scan that gave way to a new one shows nothing: the new one empties the list again.
  if (!FPending) ShowResult();
}

void TFolderScan::ScanFolder(const std::string& folder) {
  const std::string dir = WithSeparator(folder);
  TDirHandle handle(opendir(dir.c_str()));
  if (!handle) return;  // unreadable or gone: passed over
  FFolder = dir;
  if (!FProgressShown) ShowProgress();

  // The folder is read whole first: its files, and then its subfolders, are taken in natural
  // name order, not in the order the file system happens to give.
  const int fd = dirfd(handle.get());
  TNameList files, subfolders;
  while (!FStopRequested) {
    const dirent* entry = readdir(handle.get());
    if (!entry) break;
    if (FRecurse && IsFolderToEnter(fd, entry->d_name, entry->d_type))
      subfolders.Add(entry->d_name);
    if (MatchesMp3(entry->d_name)) files.Add(entry->d_name);
    // After every entry, so that a folder of many other files cannot hold up the window either.
    PumpEvents();
  }
  files.Sort(PumpEvents);
  // Files are opened through the open folder: the system need not walk the whole path again
  // for each one.
  for (std::size_t i = 0; i < files.Size() && !FStopRequested; ++i) {
    const bool listEmpty = Store.RowCount == 0;
    AddFile(fd, dir, files[i]);
    // The row limit stays 2 while the scan runs, so the table sees no change of its own when
    // the first row fills; it is repainted with the next events.
    if (listEmpty && Store.RowCount == 1) Grid.InvalidateRow(1);
    PumpEvents();
  }
  handle.reset();

  // Files of a folder come before those of its subfolders; subfolders depth first.
  subfolders.Sort(PumpEvents);
  for (std::size_t i = 0; i < subfolders.Size(); ++i) {
    if (FStopRequested) return;
    ScanFolder(dir + subfolders[i]);
  }
}

bool TFolderScan::IsFolderToEnter(int dirFd, const char* name, unsigned char type) const {
  if (name[0] == '.') return false;                        // hidden, and "." and ".."
  if (type != DT_DIR && type != DT_UNKNOWN) return false;  // links and system entries
  if (type == DT_DIR && !FDevice) return true;
  struct stat st;
  if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode)) return false;
  return !FDevice || st.st_dev == *FDevice;
}

void TFolderScan::AddFile(int dirFd, const std::string& dir, const char* name) {
  ++Store.RowCount;
  Store.GrowIfFull();
  std::unique_ptr<TMP3Tag>& tag = Store.Tags[Store.RowCount];
  if (!tag) tag = std::make_unique<TMP3Tag>();
  try {
    FPath.assign(dir).append(name);
    tag->ReadTag(dirFd, name, FPath);
    Store.Rows[Store.RowCount].Fill(*tag, name);
  } catch (...) {
    // Any file that cannot be read is dropped without a word; the next file takes its row.
    tag.reset();
    --Store.RowCount;
  }
}

void TFolderScan::ShowProgress() {
  if (!SetStatus) return;
  SetStatus(ScanProgressText(DisplayPath(FFolder), Store.RowCount));
  FProgressShown = true;
}

void TFolderScan::ShowResult() {
  if (Store.RowCount > 0) {
    const int rowLimit = Store.RowCount + 1;
    while (Grid.RowLimit() < rowLimit) {
      Grid.SetRowLimit(std::min(Grid.RowLimit() + RowLimitStep, rowLimit));
      if (Grid.RowLimit() == rowLimit) break;
      PumpEvents();
      if (FPending) return;  // a new scan replaces this one and empties the list again
    }
    Grid.SetActiveCell(1, FirstShownColumn(Grid));
    Grid.setFocus();
    if (SetStatus) SetStatus(DisplayPath(Store.Tags[1]->FullPath()));
    if (Store.RowCount == 1) {
      Grid.InvalidateRow(1);
      Grid.RepaintNow();
    }
  } else {
    Grid.SetActiveCell(1, FirstShownColumn(Grid));
    // An empty table alone does not tell a scan that found nothing from one that did not run.
    if (SetStatus) SetStatus(QStringLiteral("0 files found"));
  }
}
