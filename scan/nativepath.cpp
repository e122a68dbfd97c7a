#include "scan/nativepath.h"

#include <unistd.h>

#include <QFile>
#include <cstdlib>
#include <memory>

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (!dir.empty() && dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string CurrentFolder() {
  std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
  return cwd ? std::string(cwd.get()) : std::string();
}

std::string AbsolutePath(const std::string& path) {
  if (path.starts_with("/")) return path;
  return JoinPath(CurrentFolder(), path);
}

std::string ResolvedPath(const std::string& path) {
  const std::string absolute = AbsolutePath(path);
  std::unique_ptr<char, decltype(&std::free)> resolved(realpath(absolute.c_str(), nullptr),
                                                       &std::free);
  return resolved ? std::string(resolved.get()) : absolute;
}

QString DisplayPath(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}
