#pragma once

#include <string>
#include <utility>
#include <vector>

// MP3 files built in code for the table tests: a little audio-like data with an ID3v1 block at
// the end, an ID3v2.3 tag at the start, or no tag at all.
std::string AudioBytes();
std::string Id3v1File(const std::string& title, const std::string& artist = "",
                      const std::string& album = "", const std::string& year = "",
                      const std::string& comment = "");
// Frames as (frame id, text) pairs; "COMM" gets a language and an empty description.
std::string Id3v2File(const std::vector<std::pair<std::string, std::string>>& frames,
                      std::size_t audioSize = 0);
