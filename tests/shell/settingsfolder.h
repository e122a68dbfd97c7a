#pragma once

#include <QtGlobal>
#include <filesystem>
#include <string>

#include "tests/common/tempdir.h"

// Points the settings store at a folder: its file becomes <folder>/Weldrake/Tunemark.conf.
inline void UseStoreIn(const TTempDir& dir) {
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.Path()));
}

inline std::string StoreFile(const TTempDir& dir) { return dir / "Weldrake/Tunemark.conf"; }

// Stores raw lines in the section "Display data", as another program might have written them.
// Use a fresh folder for each content: the settings cache notices a change by file time and size.
inline void StoreRaw(const TTempDir& dir, const std::string& lines) {
  std::filesystem::create_directories(dir / "Weldrake");
  WriteFileBytes(StoreFile(dir), "[Display%20data]\n" + lines + "\n");
}
