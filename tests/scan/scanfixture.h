#pragma once

#include <string>
#include <vector>

#include "scan/mounttable.h"

// MP3 file contents built in code: a little fake audio, with or without tags.
std::string Audio();
// The 128-byte ID3v1 block.
std::string Id3v1Block(const std::string& title, const std::string& artist,
                       const std::string& album, const std::string& year,
                       const std::string& comment);
// An ID3v2.3 tag with a TIT2 and a TPE1 frame (left out when empty).
std::string Id3v2Tag(const std::string& title, const std::string& artist);

void MakeFolder(const std::string& path);

// A machine described by a test.
class TFakeMounts : public TMountSource {
 public:
  explicit TFakeMounts(std::vector<TMount> mounts) : FMounts(std::move(mounts)) {}
  std::vector<TMount> Mounts() const override { return FMounts; }

 private:
  std::vector<TMount> FMounts;
};

// A mounted disk as a test describes it.
TMount Disk(const std::string& mountPoint, const std::string& label = "",
            const std::string& fsType = "ext4");

// Puts the process's current folder back when the test ends.
class TCurrentFolderGuard {
 public:
  TCurrentFolderGuard();
  ~TCurrentFolderGuard();

 private:
  std::string FSaved;
};
