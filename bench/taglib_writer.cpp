// A peer writer for bench/batch_save.py, built by that script with g++ where TagLib's headers
// are installed (Debian: libtag1-dev); not part of the normal build.
//
//   taglib_writer FOLDER ALBUM [--fsync]
//
// Sets the album of every "*.mp3" file of the folder and saves it with TagLib, keeping the
// ID3v2.3 tag and adding no other tag, so TagLib writes in place where the padding allows;
// --fsync flushes each file after its save. Prints the same line as bench/batch_bench.cpp.

#include <fcntl.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

long long IoCount(const std::string& name) {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = 0;
  while (io >> key >> value)
    if (key == name + ":") return value;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool flush = argc == 4 && std::string(argv[3]) == "--fsync";
  if (argc != 3 && !flush) {
    std::fprintf(stderr, "usage: taglib_writer FOLDER ALBUM [--fsync]\n");
    return 2;
  }
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
    if (entry.path().extension() == ".mp3") paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());

  const long long writeBytes = IoCount("write_bytes");
  const long long wchar = IoCount("wchar");
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& path : paths) {
    TagLib::MPEG::File file(path.c_str(), false);
    file.ID3v2Tag(true)->setAlbum(TagLib::String(argv[2], TagLib::String::UTF8));
    if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3,
                   TagLib::File::DoNotDuplicate)) {
      std::fprintf(stderr, "taglib_writer: %s: save failed\n", path.c_str());
      return 1;
    }
    if (flush) {
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0 || ::fsync(fd) != 0) {
        std::fprintf(stderr, "taglib_writer: %s: fsync failed\n", path.c_str());
        return 1;
      }
      ::close(fd);
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("seconds=%.6f write_bytes=%lld wchar=%lld files=%zu\n", seconds,
              IoCount("write_bytes") - writeBytes, IoCount("wchar") - wchar, paths.size());
  return 0;
}
