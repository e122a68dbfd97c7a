// Two writers of bench/batch_save.py, each one run over every "*.mp3" file of a folder:
//
//   batch_bench save FOLDER ALBUM   reads every tag (not timed), sets the album and saves all
//                                   the files in one TTagSaver::Save, as the Save button does
//   batch_bench copy FOLDER         copies each file whole into a new file, flushes it and
//                                   puts it in the old one's place: what a save costs that
//                                   rewrites every file
//
// Prints one line: "seconds=S write_bytes=B wchar=C files=N", where S times the save (or the
// copies) alone, after a sync, and B and C are the process's own counts over it (/proc/self/io:
// bytes it sent towards the disk, counted per page or folio dirtied, and bytes it passed to
// write calls).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tags/mp3tag.h"
#include "tags/tagsaver.h"

namespace {

using Clock = std::chrono::steady_clock;

struct TIoCounts {
  long long WriteBytes = 0;
  long long Wchar = 0;
};

TIoCounts ReadIoCounts() {
  std::ifstream io("/proc/self/io");
  TIoCounts counts;
  std::string key;
  long long value = 0;
  while (io >> key >> value) {
    if (key == "write_bytes:") counts.WriteBytes = value;
    if (key == "wchar:") counts.Wchar = value;
  }
  return counts;
}

std::vector<std::string> Songs(const std::string& folder) {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().extension() == ".mp3") paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  return paths;
}

// The tags as a scan left them before the Save button was pressed, the album set in each.
std::vector<std::unique_ptr<TMP3Tag>> ReadAll(const std::vector<std::string>& paths,
                                              const std::string& album) {
  std::vector<std::unique_ptr<TMP3Tag>> tags;
  for (const std::string& path : paths) {
    tags.push_back(std::make_unique<TMP3Tag>());
    tags.back()->ReadTag(path);
    tags.back()->SetAlbum(album);
  }
  return tags;
}

void SaveAll(const std::vector<std::unique_ptr<TMP3Tag>>& tags) {
  std::vector<TMP3Tag*> pointers;
  for (const auto& tag : tags) pointers.push_back(tag.get());
  for (const TSaveReport& report : TTagSaver().Save(pointers)) {
    if (!report.Failure.empty()) throw std::runtime_error(report.Path + ": " + report.Failure);
  }
}

void CopyAll(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    const std::string copy = path + ".copy";
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    struct stat status {};
    if (in < 0 || out < 0 || ::fstat(in, &status) != 0)
      throw std::runtime_error(path + ": cannot open");
    for (off_t left = status.st_size; left > 0;) {
      const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, std::size_t(left), 0);
      if (copied <= 0) throw std::runtime_error(path + ": copy failed");
      left -= copied;
    }
    if (::fsync(out) != 0 || ::rename(copy.c_str(), path.c_str()) != 0)
      throw std::runtime_error(path + ": flush or rename failed");
    ::close(in);
    ::close(out);
  }
}

// Runs the work and prints its time and the bytes it wrote.
template <typename TWork>
void Measure(std::size_t files, const TWork& work) {
  const TIoCounts before = ReadIoCounts();
  const auto start = Clock::now();
  work();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const TIoCounts after = ReadIoCounts();
  std::printf("seconds=%.6f write_bytes=%lld wchar=%lld files=%zu\n", seconds,
              after.WriteBytes - before.WriteBytes, after.Wchar - before.Wchar, files);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc >= 3 ? argv[1] : "";
  if (!((mode == "save" && argc == 4) || (mode == "copy" && argc == 3))) {
    std::fprintf(stderr, "usage: batch_bench save FOLDER ALBUM | batch_bench copy FOLDER\n");
    return 2;
  }
  try {
    const std::vector<std::string> paths = Songs(argv[2]);
    if (mode == "save") {
      const auto tags = ReadAll(paths, argv[3]);
      // The reads' access times are on disk long before a person presses Save: the save's
      // flush does not pay for them.
      ::sync();
      Measure(paths.size(), [&] { SaveAll(tags); });
    } else {
      Measure(paths.size(), [&] { CopyAll(paths); });
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "batch_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
