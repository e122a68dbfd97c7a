#pragma once

#include <memory>
#include <string>

#include "tags/fileidentity.h"
#include "tags/posixfile.h"

class TByteSource;

// The kind of tag the bytes carry: version 2 when they begin with an ID3v2 header, else
// version 1 when they end in an ID3v1 block, else none.
TTagKind TagKindOf(TByteSource& source);

// The file a save writes, opened through its folder so that the save reaches the file that was
// read and no other: the last name of the path is opened without following a symbolic link
// (unless the path was a link when it was read: then the link is followed again and the file it
// points to must be the one read), and it must be the same file (device and inode). Renames of
// the save happen within this same folder.
class TSaveTarget {
 public:
  // Opens the folder of `path` and the file in it. With `identity`, a file that is not the one
  // read throws TFileChangedError; without, the path is taken as it is now (links followed).
  // Throws TFileOpenError when the folder or the file cannot be opened as asked.
  TSaveTarget(const std::string& path, const TFileIdentity* identity, TFileAccess access);
  ~TSaveTarget();
  TSaveTarget(const TSaveTarget&) = delete;
  TSaveTarget& operator=(const TSaveTarget&) = delete;

  TPosixFile& File() { return *FFile; }
  // The open folder, for the *at calls of a rewrite.
  int FolderFd() const { return FFolder.Fd; }
  // The file's name in that folder, and the path the save was asked for (for messages).
  const std::string& Name() const { return FName; }
  const std::string& Path() const { return FPath; }

  // Throws TFileChangedError unless the file carries this kind of tag.
  void ExpectKind(TTagKind kind);

  // Puts the folder's entries on disk, so that a rename in it survives a power loss.
  void FlushFolder();

 private:
  struct TFolder {
    int Fd = -1;
    ~TFolder();
  };

  std::string FPath;
  std::string FName;
  TFolder FFolder;  // before the file: closed after it, also when the constructor throws
  std::unique_ptr<TPosixFile> FFile;
};
