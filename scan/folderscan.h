#pragma once

#include <sys/types.h>

#include <QString>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

struct TRowStore;
class TGrid;

// What a scan covers: one folder, a folder and its subfolders, or a whole drive (all its
// folders, staying on its own file system).
enum class TScanScope { Folder, FolderTree, EntireDrive };

// The Scan button's work: empties the list, finds every "*.mp3" file of the target, reads each
// one's tag into the row store and shows the result in the table. A folder's files come before
// those of its subfolders, both in natural name order (see NaturalCompare). The scan runs on the
// user-interface thread and lets pending window events run after every file, so the window
// stays usable; pressing Scan again meanwhile replaces the running scan, and Stop ends it. The
// status line shows the progress from the start and then whenever events run, at most every
// tenth of a second.
class TFolderScan {
 public:
  using SetStatusFn = std::function<void(const QString& text)>;
  using PumpFn = std::function<void()>;

  // `pump` is called after every entry of a folder and may run pending window events; by
  // default WindowEventPump().
  TFolderScan(TRowStore& store, TGrid& grid, SetStatusFn setStatus, PumpFn pump = nullptr);

  // Runs first on every Scan: finishes a cell edit and guards unsaved changes. Returning false
  // cancels the scan and changes nothing.
  std::function<bool()> BeforeScan;

  // Scans the target (a drive's mount point or a folder) into an emptied list. While a scan is
  // running, that scan stops and this one starts afresh once control is back in it, so the list
  // always holds the files of exactly one scan. An empty target (no drive is current) empties
  // the list and scans nothing.
  void Scan(const std::string& target, TScanScope scope);

  // Ends a running scan at the next file; the files found so far stay listed.
  void Stop();
  bool Scanning() const { return FRunning; }

 private:
  struct TJob {
    std::string Target;
    TScanScope Scope;
  };

  void Run(const TJob& job);
  void ScanFolder(const std::string& folder);
  void AddFile(int dirFd, const std::string& dir, const char* name);
  bool IsFolderToEnter(int dirFd, const char* name, unsigned char type) const;
  void ShowProgress();
  void ShowResult();

  TRowStore& Store;
  TGrid& Grid;
  SetStatusFn SetStatus;
  PumpFn PumpEvents;

  bool FRunning = false;
  bool FStopRequested = false;
  std::optional<TJob> FPending;  // the scan to run once the running one has stopped

  // State of the running scan.
  bool FRecurse = false;
  std::optional<dev_t> FDevice;  // an entire-drive scan stays on this file system
  std::string FFolder;           // the folder being read, for the status line
  std::string FPath;             // room for each file's path, reused from file to file
  bool FProgressShown = false;
  // Fires only while events run, so the progress costs the reading of files nothing.
  QTimer FProgressTimer;
};

// The scan's default event pump: runs `run` (by default QCoreApplication::processEvents) unless
// it ran less than a millisecond ago, reading the clock once per call. Running the window's
// events costs a poll of the display connection, several times the work of reading a small tag;
// this way the window answers as promptly as with a run per file, and a scan of many small files
// is not slowed by it.
TFolderScan::PumpFn WindowEventPump(TFolderScan::PumpFn run = nullptr);

// The status text while a scan reads a folder: "Scanning /music/ (1 file found)".
QString ScanProgressText(const QString& folder, int found);
