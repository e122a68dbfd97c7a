// Reads the tag of every MP3 file of a corpus with TMP3Tag::ReadTag and, in the same run, with a
// floor reader that makes only the system calls such a read cannot do without. Prints files per
// second of both and their ratio. Warm cache: one untimed pass of each comes first.
//
//   read_bench <corpus folder> [--reps N]

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tags/fileerror.h"
#include "tags/mp3tag.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The floor never reads more of an ID3v2 tag than this: the text frames a read keeps come
// first, and the walk skips picture bodies by seeking, so their bytes are never needed.
constexpr std::int64_t FloorTagBytes = 4096;

bool IsMp3Name(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return ext == ".mp3";
}

std::vector<std::string> ListMp3Files(const std::string& root) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && IsMp3Name(entry.path())) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

struct TPassResult {
  double Seconds = 0;
  std::uint64_t Check = 0;  // folded from what was read, so no pass can be optimised away
  int Failures = 0;
};

TPassResult ReadTagPass(const std::vector<std::string>& files) {
  TPassResult result;
  const auto start = Clock::now();
  for (const std::string& path : files) {
    TMP3Tag tag;
    try {
      tag.ReadTag(path);
      result.Check += tag.GetTitle().size() + (tag.IsVersion2() ? 1 : 0);
    } catch (const TFileOpenError&) {
      ++result.Failures;
    }
  }
  result.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}

// Open, learn the length, read the 10-byte header; then the tag region of an ID3v2 tag of
// version 2.2 to 2.4, or the last 128 bytes of a file without ID3v2 tag; close.
TPassResult FloorPass(const std::vector<std::string>& files) {
  TPassResult result;
  std::array<unsigned char, FloorTagBytes> buffer{};
  const auto start = Clock::now();
  for (const std::string& path : files) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0) {
      ++result.Failures;
      if (fd >= 0) close(fd);
      continue;
    }
    unsigned char header[10] = {};
    const bool tagged = pread(fd, header, sizeof header, 0) == 10 && header[0] == 'I' &&
                        header[1] == 'D' && header[2] == '3';
    ssize_t got = 0;
    if (tagged && header[3] >= 2 && header[3] <= 4) {
      const std::int64_t declared =
          (std::int64_t{header[6]} << 21) | (header[7] << 14) | (header[8] << 7) | header[9];
      const std::int64_t length =
          std::min({declared, FloorTagBytes, std::int64_t{st.st_size} - 10});
      if (length > 0) got = pread(fd, buffer.data(), length, 10);
    } else if (st.st_size >= 128) {
      got = pread(fd, buffer.data(), 128, st.st_size - 128);
    }
    close(fd);
    result.Check += static_cast<std::uint64_t>(got) + buffer[0];
  }
  result.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string root;
  int reps = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--reps" && i + 1 < argc) {
      reps = std::max(1, std::atoi(argv[++i]));
    } else if (root.empty() && arg[0] != '-') {
      root = arg;
    } else {
      std::fprintf(stderr, "usage: read_bench <corpus folder> [--reps N]\n");
      return 2;
    }
  }
  if (root.empty() || !fs::is_directory(root)) {
    std::fprintf(stderr, "read_bench: give the corpus folder (bench/make_corpus.py makes one)\n");
    return 2;
  }

  const std::vector<std::string> files = ListMp3Files(root);
  if (files.empty()) {
    std::fprintf(stderr, "read_bench: no *.mp3 files under %s\n", root.c_str());
    return 1;
  }

  // Warm the page cache and the allocator; these passes are not counted.
  const TPassResult warmTags = ReadTagPass(files);
  FloorPass(files);

  std::vector<double> tagSeconds;
  std::vector<double> floorSeconds;
  for (int rep = 0; rep < reps; ++rep) {
    tagSeconds.push_back(ReadTagPass(files).Seconds);
    floorSeconds.push_back(FloorPass(files).Seconds);
  }

  const double n = static_cast<double>(files.size());
  const double tagBest = n / *std::min_element(tagSeconds.begin(), tagSeconds.end());
  const double floorBest = n / *std::min_element(floorSeconds.begin(), floorSeconds.end());
  const double tagMedian = n / Median(tagSeconds);
  const double floorMedian = n / Median(floorSeconds);

  std::printf("read_bench: %zu files under %s, %d repetitions, warm cache\n", files.size(),
              root.c_str(), reps);
  if (warmTags.Failures > 0) std::printf("  ReadTag could not open %d files\n", warmTags.Failures);
  std::printf("  %-10s %12s %12s\n", "", "best", "median");
  std::printf("  %-10s %10.0f/s %10.0f/s\n", "ReadTag", tagBest, tagMedian);
  std::printf("  %-10s %10.0f/s %10.0f/s\n", "floor", floorBest, floorMedian);
  std::printf("  ratio ReadTag/floor: %.2f best, %.2f median (goal >= 0.80)\n", tagBest / floorBest,
              tagMedian / floorMedian);
  return 0;
}
