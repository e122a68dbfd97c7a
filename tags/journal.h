#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tags/filechange.h"

// The record of a save in progress. Before a save writes anything, every change it will make
// (the file, its identity and size, the bytes replaced and the bytes that replace them) is
// written here and put on disk; once the files are written and flushed, the record goes. A save
// cut short at any moment (a crash, a kill, a power loss) is finished from the record by the
// next start, or by the next save before it: each file then holds exactly its old or its new
// bytes. A file that another program changed in between is left as it is, and named.
//
// Records live in the user's state folder, never beside the songs. A record is locked while its
// save runs, so a second instance of the program never finishes a save that is still running.
class TJournal {
 public:
  // The folder records live in: $XDG_STATE_HOME/Tunemark, else ~/.local/state/Tunemark.
  static std::string DefaultFolder();

  // Writes the record of the changes into the folder, made if missing, and puts it on disk.
  // Throws TFileOpenError naming the record when it cannot: nothing has been written to any
  // song then.
  TJournal(const std::string& folder, const std::vector<TFileChange>& changes);
  // A record that was not retired stays for the next start to finish.
  ~TJournal();
  TJournal(const TJournal&) = delete;
  TJournal& operator=(const TJournal&) = delete;

  // The save is over and on disk: the record goes.
  void Retire();

  // Finishes the saves whose records are in the folder and whose processes are gone, and
  // removes their records. Returns, for each file left alone, its path and why.
  struct TLeftAlone {
    std::string Path;
    std::string Reason;
  };
  static std::vector<TLeftAlone> Recover(const std::string& folder);

  // The bytes of a record, and the changes a record's bytes hold (none when they are not a
  // whole record: a save cut short while its record was written had written no song yet).
  static std::string Encode(const std::vector<TFileChange>& changes);
  static std::optional<std::vector<TFileChange>> Decode(const std::string& bytes);

 private:
  std::string FFolder;
  std::string FName;
  int FFd = -1;
};
