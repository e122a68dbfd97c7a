// Saves an edited ID3v2 tag (TMP3Tag::WriteTag, a rewrite of the whole file) on files of 1, 8
// and 64 MiB and, in the same run, copies the same file with cp. Prints MB/s of both and their
// ratio; the rewrite also flushes its file to disk, so "cp+fsync" is shown beside plain cp.
//
//   save_bench [--dir D] [--reps N]      (D defaults to a new folder under /tmp)

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "tags/mp3tag.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Audio of the given size, then a small ID3v2.3 tag put in front by the tag layer itself.
void MakeTaggedFile(const std::string& path, std::size_t bytes) {
  std::vector<char> audio(bytes);
  std::mt19937 random(static_cast<unsigned>(bytes));
  for (char& c : audio) c = static_cast<char>(random());
  std::ofstream(path, std::ios::binary).write(audio.data(), static_cast<std::streamsize>(bytes));

  TMP3Tag tag;
  tag.ReadTag(path);
  tag.ConvertToVersion2();
  tag.SetTitle("Benchmark title");
  tag.SetArtist("Benchmark artist");
  tag.SetAlbum("Benchmark album");
  tag.WriteTag();  // throws when the file cannot be tagged
}

void RunCp(const std::string& from, const std::string& to) {
  const char* args[] = {"cp", from.c_str(), to.c_str(), nullptr};
  pid_t pid = 0;
  int status = 0;
  if (posix_spawnp(&pid, "cp", nullptr, nullptr, const_cast<char**>(args), environ) != 0 ||
      waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("cp " + from + " failed");
  }
}

void FsyncFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || fsync(fd) != 0) throw std::runtime_error("fsync " + path + " failed");
  close(fd);
}

struct TSizeResult {
  double Save = 0;  // best seconds of each
  double Copy = 0;
  double CopySync = 0;
};

TSizeResult MeasureSize(const std::string& dir, std::size_t mib, int reps) {
  const std::size_t bytes = mib << 20;
  const std::string path = dir + "/save-" + std::to_string(mib) + ".mp3";
  const std::string copy = dir + "/copy-" + std::to_string(mib) + ".mp3";
  MakeTaggedFile(path, bytes);

  TSizeResult best{1e9, 1e9, 1e9};
  for (int rep = 0; rep < reps; ++rep) {
    TMP3Tag tag;
    tag.ReadTag(path);
    tag.SetTitle("Edited title, take " + std::to_string(rep));
    sync();  // earlier writes settle first, so each measurement pays only for its own
    auto start = Clock::now();
    tag.WriteTag();
    best.Save = std::min(best.Save, SecondsSince(start));

    sync();
    start = Clock::now();
    RunCp(path, copy);
    best.Copy = std::min(best.Copy, SecondsSince(start));
    fs::remove(copy);

    sync();
    start = Clock::now();
    RunCp(path, copy);
    FsyncFile(copy);
    best.CopySync = std::min(best.CopySync, SecondsSince(start));
    fs::remove(copy);
  }
  fs::remove(path);
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir;
  int reps = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (arg == "--reps" && i + 1 < argc) {
      reps = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: save_bench [--dir D] [--reps N]\n");
      return 2;
    }
  }
  const bool ownDir = dir.empty();
  if (ownDir) {
    char pattern[] = "/tmp/tunemark-save-XXXXXX";
    if (!mkdtemp(pattern)) {
      std::perror("save_bench: mkdtemp");
      return 1;
    }
    dir = pattern;
  }

  int status = 0;
  try {
    std::printf("save_bench: %s, best of %d, MB = 10^6 bytes\n", dir.c_str(), reps);
    std::printf("  %6s %12s %12s %12s %10s %14s\n", "size", "WriteTag", "cp", "cp+fsync",
                "ratio/cp", "ratio/cp+fsync");
    for (std::size_t mib : {1, 8, 64}) {
      const TSizeResult r = MeasureSize(dir, mib, reps);
      const double mb = static_cast<double>(mib << 20) / 1e6;
      std::printf("  %3zu MiB %7.0f MB/s %7.0f MB/s %7.0f MB/s %10.2f %14.2f\n", mib, mb / r.Save,
                  mb / r.Copy, mb / r.CopySync, r.Copy / r.Save, r.CopySync / r.Save);
    }
    std::printf("  goal: WriteTag >= 0.80 x cp\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "save_bench: %s\n", e.what());
    status = 1;
  }
  if (ownDir) fs::remove_all(dir);
  return status;
}
