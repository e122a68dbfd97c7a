#include "window/commentlines.h"

#include "tags/textcodec.h"

std::vector<std::string> TextToLines(const std::string& comment) {
  std::vector<std::string> lines;
  if (comment.empty()) return lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t cr = comment.find('\r', start);
    if (cr == std::string::npos) break;
    lines.push_back(comment.substr(start, cr - start));
    start = cr + 1;
    if (start < comment.size() && comment[start] == '\n') ++start;
  }
  lines.push_back(comment.substr(start));
  return lines;
}

std::string LinesToText(const std::vector<std::string>& lines) {
  constexpr std::size_t MaxCharacters = 255;
  std::string text;
  // Lines past the first 255 characters' worth of bytes cannot reach the cut text.
  for (std::size_t i = 0; i < lines.size() && text.size() <= MaxCharacters * 4; ++i) {
    if (i > 0) text += '\r';
    text += lines[i];
  }
  text.resize(CutToCharacters(text, MaxCharacters).size());
  return text;
}
