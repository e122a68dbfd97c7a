#include "window/commentlines.h"

#include <string_view>

#include "tags/textcodec.h"

namespace {

// The length of the line break that starts at `at`, 0 when none does.
std::size_t BreakLength(std::string_view text, std::size_t at) {
  if (text[at] == '\r') return text.substr(at, 2) == "\r\n" ? 2 : 1;
  if (text[at] == '\n') return 1;
  // U+2028 LINE SEPARATOR and U+2029 PARAGRAPH SEPARATOR.
  const std::string_view rest = text.substr(at, 3);
  return rest == "\xE2\x80\xA8" || rest == "\xE2\x80\xA9" ? 3 : 0;
}

}  // namespace

std::vector<std::string> TextToLines(const std::string& comment) {
  std::vector<std::string> lines;
  if (comment.empty()) return lines;
  std::size_t start = 0;
  for (std::size_t at = 0; at < comment.size();) {
    const std::size_t length = BreakLength(comment, at);
    if (length == 0) {
      ++at;
      continue;
    }
    lines.push_back(comment.substr(start, at - start));
    at += length;
    start = at;
  }
  lines.push_back(comment.substr(start));
  return lines;
}

std::string LinesToText(const std::vector<std::string>& lines, std::size_t limit) {
  std::string text;
  // Lines past the limit's worth of bytes (4 a character at most) cannot reach the cut text.
  for (std::size_t i = 0; i < lines.size() && text.size() <= limit * 4; ++i) {
    if (i > 0) text += '\n';
    text += lines[i];
  }
  text.resize(CutToCharacters(text, limit).size());
  return text;
}
