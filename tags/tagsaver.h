#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tags/filechange.h"
#include "tags/journal.h"

class TMP3Tag;

// What a save did with one file.
struct TSaveReport {
  std::string Path;
  // Why the file could not be written, in the user's words; empty when it was written.
  std::string Failure;
  // The file changed since it was read (or, for an undo, since the save): nothing was written.
  bool Changed = false;
  // What the person should know of a file that was written, or that a recovery left alone.
  std::string Warning;
};

// Saves tags in batches through the journal: every change of a save is recorded and put on
// disk first, then the files are written, then flushed with one call per file system, then the
// record goes. A save cut short is finished by the next start, or the next save. A tag that
// fits the room its file gives it (the old tag and its padding) is written in place, so the
// audio is never read or moved and the file keeps its inode, owner, mode and links; a tag that
// grew is rewritten with padding for the next edits. The last save's record is kept, so that
// save can be undone.
class TTagSaver {
 public:
  explicit TTagSaver(std::string journalFolder = TJournal::DefaultFolder());

  // Finishes the saves a crash cut short; a report for each file left alone.
  std::vector<TSaveReport> Recover();

  // Called after each file a save or an undo has dealt with: how many of how many.
  using TProgress = std::function<void(std::size_t done, std::size_t count)>;

  // Writes every modified tag of the list, after finishing what a crash cut short. Returns a
  // report for each tag that was to be written, in order, and for each file a recovery left
  // alone before. A tag written is no longer modified; one that failed keeps its edits.
  std::vector<TSaveReport> Save(const std::vector<TMP3Tag*>& tags, const TProgress& progress = {});

  // The files the last save wrote and an undo would put back; 0 when there is nothing to undo.
  std::size_t UndoableFiles() const { return FLastSave.size(); }
  // The paths of those files.
  std::vector<std::string> UndoablePaths() const;
  // Puts back, byte for byte, the old bytes of every file the last save wrote that still holds
  // what it wrote; a file changed since is left alone and reported as changed. The record then
  // goes: a save is undone once.
  std::vector<TSaveReport> UndoLastSave(const TProgress& progress = {});
  void ForgetLastSave() { FLastSave.clear(); }

 private:
  // A change written, and the file it left.
  struct TWritten {
    TFileChange Change;
    TFileIdentity After;
  };

  // Records, writes and flushes the changes; `done(i, result)` for each change written. A
  // report per change.
  std::vector<TSaveReport> Write(const std::vector<TFileChange>& changes,
                                 const std::function<void(std::size_t, const TChangeResult&)>& done,
                                 const TProgress& progress);

  std::string FFolder;
  std::vector<TWritten> FLastSave;
};
