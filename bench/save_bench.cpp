// Saves of one field of one file (TMP3Tag::WriteTag), each after a sync so it pays only for its
// own writes:
//   - a 200 MiB file and a 5 GiB sparse file whose tags carry padding: written in place, the
//     goal is under 50 ms each;
//   - a 200 MiB file whose tag has no padding, as this program wrote tags before it padded
//     them: the first save rewrites the file, leaving padding (shown beside a copy of the same
//     file with cp and an fsync), and the second is then written in place.
// Each line says whether the save kept the file's inode (in place) or made a new file, and the
// sparse file's allocated size after its saves shows that its audio was never written.
//
//   save_bench [--dir D] [--reps N]      (D defaults to a new folder under /tmp)

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "tags/mp3tag.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t MiB = 1 << 20;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void PutSyncSafe(std::string& out, std::uint32_t n) {
  for (int shift : {21, 14, 7, 0}) out += char((n >> shift) & 0x7F);
}

// An ID3v2.3 tag with a few text frames and the given padding.
std::string Tag(std::size_t padding) {
  std::string frames;
  for (const auto& [id, text] :
       {std::pair{"TIT2", "Benchmark title"}, std::pair{"TPE1", "Benchmark artist"},
        std::pair{"TALB", "Album"}}) {
    const std::uint32_t size = std::uint32_t(std::string(text).size() + 1);
    frames += id;
    for (int shift : {24, 16, 8, 0}) frames += char((size >> shift) & 0xFF);
    frames += std::string(2, '\0');  // flags
    frames += '\0';                  // ISO-8859-1
    frames += text;
  }
  std::string tag("ID3\x03\x00\x00", 6);
  PutSyncSafe(tag, std::uint32_t(frames.size() + padding));
  return tag + frames + std::string(padding, '\0');
}

void Check(bool done, const std::string& what) {
  if (!done) throw std::runtime_error(what);
}

// The tag, then `audio` bytes: random ones written out, or a hole where `sparse`.
void MakeFile(const std::string& path, const std::string& tag, std::int64_t audio, bool sparse) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  Check(fd >= 0 && ::write(fd, tag.data(), tag.size()) == ssize_t(tag.size()), "write " + path);
  if (sparse) {
    Check(::ftruncate(fd, std::int64_t(tag.size()) + audio) == 0, "truncate " + path);
  } else {
    std::vector<char> chunk(MiB);
    std::mt19937 random(1);
    for (char& c : chunk) c = char(random());
    for (std::int64_t left = audio; left > 0; left -= MiB) {
      const std::size_t n = std::size_t(std::min(left, MiB));
      Check(::write(fd, chunk.data(), n) == ssize_t(n), "write " + path);
    }
  }
  Check(::fsync(fd) == 0 && ::close(fd) == 0, "flush " + path);
}

ino_t Inode(const std::string& path) {
  struct stat status {};
  Check(::stat(path.c_str(), &status) == 0, "stat " + path);
  return status.st_ino;
}

struct TSave {
  double Milliseconds = 0;
  bool InPlace = false;
};

// Reads the tag, sets the album and times the save alone.
TSave SaveAlbum(const std::string& path, const std::string& album) {
  TMP3Tag tag;
  tag.ReadTag(path);
  tag.SetAlbum(album);
  const ino_t before = Inode(path);
  ::sync();
  const auto start = Clock::now();
  tag.WriteTag();
  return {MillisecondsSince(start), Inode(path) == before};
}

double CopyWithFsync(const std::string& from, const std::string& to) {
  ::sync();
  const auto start = Clock::now();
  const char* args[] = {"cp", from.c_str(), to.c_str(), nullptr};
  pid_t pid = 0;
  int status = 0;
  Check(posix_spawnp(&pid, "cp", nullptr, nullptr, const_cast<char**>(args), environ) == 0 &&
            waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0,
        "cp " + from);
  const int fd = ::open(to.c_str(), O_RDONLY | O_CLOEXEC);
  Check(fd >= 0 && ::fsync(fd) == 0, "fsync " + to);
  ::close(fd);
  const double ms = MillisecondsSince(start);
  fs::remove(to);
  return ms;
}

void PrintSaves(const char* what, const std::vector<TSave>& saves, const char* goal) {
  std::vector<double> ms;
  bool inPlace = true, rewritten = true;
  for (const TSave& save : saves) {
    ms.push_back(save.Milliseconds);
    inPlace = inPlace && save.InPlace;
    rewritten = rewritten && !save.InPlace;
  }
  std::printf("  %-36s %9.1f ms  %-10s %s\n", what, Median(ms),
              inPlace     ? "in place"
              : rewritten ? "rewritten"
                          : "mixed",
              goal);
}

// The album each save writes: of another length each time, so the frames behind it move.
std::string Album(int rep) { return "Album, take " + std::string(std::size_t(rep % 7 + 1), '*'); }

void Run(const std::string& dir, int reps) {
  const std::string padded = dir + "/padded-200.mp3";
  const std::string sparse = dir + "/sparse-5g.mp3";
  MakeFile(padded, Tag(2048), 200 * MiB, false);
  MakeFile(sparse, Tag(2048), 5 * 1024 * MiB, true);
  std::vector<TSave> paddedSaves, sparseSaves;
  for (int rep = 0; rep < reps; ++rep) {
    paddedSaves.push_back(SaveAlbum(padded, Album(rep)));
    sparseSaves.push_back(SaveAlbum(sparse, Album(rep)));
  }
  const auto within = [](const std::vector<TSave>& saves) {
    std::vector<double> ms;
    for (const TSave& save : saves) ms.push_back(save.Milliseconds);
    return Median(ms) < 50 ? "goal < 50 ms: met" : "goal < 50 ms: MISSED";
  };
  PrintSaves("200 MiB, padded tag", paddedSaves, within(paddedSaves));
  PrintSaves("5 GiB sparse, padded tag", sparseSaves, within(sparseSaves));
  struct stat status {};
  Check(::stat(sparse.c_str(), &status) == 0, "stat " + sparse);
  std::printf("  %-36s %9lld KiB allocated of %lld MiB\n", "5 GiB sparse after its saves",
              static_cast<long long>(status.st_blocks / 2),
              static_cast<long long>(status.st_size / MiB));
  fs::remove(padded);
  fs::remove(sparse);

  const std::string unpadded = dir + "/unpadded-200.mp3";
  std::vector<TSave> first, second;
  std::vector<double> copies;
  for (int rep = 0; rep < reps; ++rep) {
    MakeFile(unpadded, Tag(0), 200 * MiB, false);
    copies.push_back(CopyWithFsync(unpadded, dir + "/copy.mp3"));
    first.push_back(SaveAlbum(unpadded, "A longer album than the unpadded tag holds"));
    second.push_back(SaveAlbum(unpadded, Album(rep)));
  }
  char copy[64];
  std::snprintf(copy, sizeof copy, "(cp + fsync of it: %.1f ms)", Median(copies));
  PrintSaves("200 MiB, unpadded tag: 1st save", first, copy);
  PrintSaves("200 MiB, unpadded tag: 2nd save", second, within(second));
  fs::remove(unpadded);
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
  // The save records go to a folder of the run's own, not to the user's state folder.
  const std::string state = dir + "/state";
  fs::create_directories(state);
  ::setenv("XDG_STATE_HOME", state.c_str(), 1);

  int status = 0;
  try {
    std::printf("save_bench: %s, median of %d, one field saved (WriteTag) after a sync\n",
                dir.c_str(), reps);
    Run(dir, reps);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "save_bench: %s\n", e.what());
    status = 1;
  }
  if (ownDir) fs::remove_all(dir);
  return status;
}
