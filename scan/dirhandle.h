#pragma once

#include <dirent.h>

#include <memory>

// An open folder listing, closed when the handle goes.
struct TDirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using TDirHandle = std::unique_ptr<DIR, TDirCloser>;
