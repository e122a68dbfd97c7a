#pragma once

#include <string>
#include <vector>

// A comment is a UTF-8 text of at most 255 characters; a carriage return separates its lines.

// The lines of a comment: CR and CR LF both end a line; a LF alone stays inside its line. An
// empty comment has no lines; a comment ending in CR has an empty last line.
std::vector<std::string> TextToLines(const std::string& comment);

// The lines joined by a single CR each (never CR LF, none after the last), cut to 255
// characters.
std::string LinesToText(const std::vector<std::string>& lines);
