#pragma once

#include <QString>
#include <string>

// Paths are native bytes and never converted; only their display is decoded.

// dir and name with one "/" between them: a dir that already ends in "/" gets no second one.
std::string JoinPath(const std::string& dir, const std::string& name);

// A hidden entry: its name begins with ".".
inline bool IsHiddenName(const std::string& name) { return !name.empty() && name[0] == '.'; }

// The process's current folder; empty when it cannot be read (it was removed).
std::string CurrentFolder();

// The path made absolute against the process's current folder.
std::string AbsolutePath(const std::string& path);

// The absolute path with its symbolic links, "." and ".." resolved, as the folder is entered;
// the absolute path as given when it does not lead anywhere.
std::string ResolvedPath(const std::string& path);

// A path as the user sees it.
QString DisplayPath(const std::string& path);
