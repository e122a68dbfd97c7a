#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A comment is a UTF-8 text; a LF separates its lines, as in every ID3v2 text. Other programs
// (and this one's forerunner) wrote CR or CR LF.

// The lines of a comment: CR LF, CR, LF and the Unicode line and paragraph separators each end
// a line, as the text area shows them. An empty comment has no lines; a comment ending in a
// line break has an empty last line.
std::vector<std::string> TextToLines(const std::string& comment);

// The lines joined by a single LF each (none after the last), cut to `limit` characters: 255
// for a typed comment, the length of a longer one a file holds.
std::string LinesToText(const std::vector<std::string>& lines, std::size_t limit = 255);
