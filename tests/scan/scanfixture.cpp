#include "scanfixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <cstdlib>
#include <stdexcept>

#include "scan/nativepath.h"

std::string Audio() {
  std::string frames;
  for (int i = 0; i < 8; ++i)
    frames += std::string("\xff\xfb\x90\x64", 4) + std::string(413, '\x55');
  return frames;
}

namespace {

std::string Field(const std::string& text, std::size_t width) {
  std::string out = text.substr(0, width);
  out.resize(width, '\0');
  return out;
}

std::string Frame(const std::string& id, const std::string& text) {
  const std::string body = std::string(1, '\0') + text;  // encoding 0: ISO-8859-1
  const auto size = static_cast<std::uint32_t>(body.size());
  std::string frame = id;
  for (int shift : {24, 16, 8, 0}) frame += static_cast<char>((size >> shift) & 0xff);
  return frame + std::string(2, '\0') + body;
}

}  // namespace

std::string Id3v1Block(const std::string& title, const std::string& artist,
                       const std::string& album, const std::string& year,
                       const std::string& comment) {
  return "TAG" + Field(title, 30) + Field(artist, 30) + Field(album, 30) + Field(year, 4) +
         Field(comment, 30) + std::string(1, '\xff');
}

std::string Id3v2Tag(const std::string& title, const std::string& artist) {
  std::string frames;
  if (!title.empty()) frames += Frame("TIT2", title);
  if (!artist.empty()) frames += Frame("TPE1", artist);
  const auto size = static_cast<std::uint32_t>(frames.size());
  std::string header = std::string("ID3\x03\x00\x00", 6);
  for (int shift : {21, 14, 7, 0}) header += static_cast<char>((size >> shift) & 0x7f);  // syncsafe
  return header + frames;
}

void MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) != 0) throw std::runtime_error("mkdir " + path);
}

TMount Disk(const std::string& mountPoint, const std::string& label, const std::string& fsType) {
  TMount mount;
  mount.MountPoint = mountPoint;
  mount.FsType = fsType;
  mount.Source = "/dev/sdx";
  mount.Label = QString::fromStdString(label);
  mount.BlockDevice = true;
  return mount;
}

TCurrentFolderGuard::TCurrentFolderGuard() : FSaved(CurrentFolder()) {}

TCurrentFolderGuard::~TCurrentFolderGuard() {
  if (::chdir(FSaved.c_str()) != 0 && ::chdir("/") != 0) std::abort();
}
