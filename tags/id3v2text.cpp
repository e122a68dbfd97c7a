#include "tags/id3v2text.h"

#include <algorithm>

#include "tags/texttrim.h"

namespace {

constexpr std::uint8_t Latin1 = 0;
constexpr std::uint8_t Utf16 = 1;
constexpr std::uint8_t Utf16BigEndian = 2;
constexpr std::uint8_t Utf8 = 3;

bool IsWide(std::uint8_t encoding) { return encoding == Utf16 || encoding == Utf16BigEndian; }

// Where the string starting at `from` ends: at a zero byte, or in UTF-16 at a zero unit.
std::size_t FindTerminator(std::string_view bytes, std::size_t from, bool wide) {
  if (!wide) return bytes.find('\0', from);
  for (std::size_t i = from; i + 1 < bytes.size(); i += 2) {
    if (bytes[i] == '\0' && bytes[i + 1] == '\0') return i;
  }
  return std::string_view::npos;
}

// Takes a byte-order mark off the front of a UTF-16 string, setting the order from it.
std::string_view TakeByteOrderMark(std::string_view text, TUtf16Order& order) {
  if (text.size() >= 2 && text[0] == '\xFF' && text[1] == '\xFE') {
    order = TUtf16Order::LittleEndian;
    return text.substr(2);
  }
  if (text.size() >= 2 && text[0] == '\xFE' && text[1] == '\xFF') {
    order = TUtf16Order::BigEndian;
    return text.substr(2);
  }
  return text;
}

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";

// Characters 0x00 to 0x20 off both ends, in place: most texts need no copy.
void TrimInPlace(std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  text.resize(end);
  std::size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  if (first > 0) text.erase(0, first);
}

// Appends one string of the text as UTF-8.
void AppendString(std::string& text, std::uint8_t encoding, std::string_view bytes,
                  TUtf16Order& order) {
  if (IsWide(encoding)) {
    const std::string_view units = TakeByteOrderMark(bytes, order);  // sets the order first
    AppendUtf16AsUtf8(text, units, order);
  } else if (encoding == Utf8) {
    AppendSanitizedUtf8(text, bytes.substr(bytes.substr(0, 3) == Utf8Mark ? 3 : 0));
  } else {
    AppendWin1252AsUtf8(text, bytes);
  }
}

}  // namespace

void AssignDecodedText(std::string& text, std::uint8_t encoding, std::string_view bytes,
                       TUtf16Order order) {
  text.clear();
  // Single-byte texts hold no byte-order mark, and a byte of 0x20 or below is that character:
  // trimming the bytes, converting them whole and joining the strings is all there is.
  // Windows-1252 is every encoding byte but UTF-16 and UTF-8; ASCII UTF-8 is its own.
  if ((!IsWide(encoding) && encoding != Utf8) || (encoding == Utf8 && IsAscii(bytes))) {
    while (!bytes.empty() && IsBlank(bytes.back())) bytes.remove_suffix(1);
    while (!bytes.empty() && IsBlank(bytes.front())) bytes.remove_prefix(1);
    AppendWin1252AsUtf8(text, bytes);
    std::replace(text.begin(), text.end(), '\0', '/');
    return;
  }
  if (encoding == Utf16BigEndian) order = TUtf16Order::BigEndian;
  const bool wide = IsWide(encoding);
  bool several = false;
  for (std::size_t pos = 0;;) {
    const std::size_t end = FindTerminator(bytes, pos, wide);
    if (pos > 0) {
      several = true;
      text += '\0';
    }
    AppendString(text, encoding, bytes.substr(pos, end == bytes.npos ? end : end - pos), order);
    if (end == bytes.npos) break;
    pos = end + (wide ? 2 : 1);
  }
  TrimInPlace(text);
  if (several) std::replace(text.begin(), text.end(), '\0', '/');
}

std::string DecodeText(std::uint8_t encoding, std::string_view bytes, TUtf16Order order) {
  std::string text;
  AssignDecodedText(text, encoding, bytes, order);
  return text;
}

std::string ReadFrameText(std::string_view content) {
  std::string text;
  AssignFrameText(text, content);
  return text;
}

void AssignFrameText(std::string& text, std::string_view content) {
  if (content.empty()) {
    text.clear();
    return;
  }
  AssignDecodedText(text, std::uint8_t(content[0]), content.substr(1));
}

std::optional<TCommentParts> SplitComment(std::string_view content) {
  if (content.size() < 4) return std::nullopt;
  TCommentParts parts;
  parts.Encoding = std::uint8_t(content[0]);
  parts.Language = content.substr(1, 3);
  const std::string_view rest = content.substr(4);
  const bool wide = IsWide(parts.Encoding);
  const std::size_t end = FindTerminator(rest, 0, wide);
  std::string_view description = rest.substr(0, end);
  if (end != rest.npos) parts.Text = rest.substr(end + (wide ? 2 : 1));
  if (parts.Encoding == Utf16BigEndian) parts.Order = TUtf16Order::BigEndian;
  if (wide) description = TakeByteOrderMark(description, parts.Order);
  if (parts.Encoding == Utf8 && description == Utf8Mark) description = {};
  parts.EmptyDescription = description.empty();
  return parts;
}

std::string TextFrameBody(std::string_view text, std::uint8_t version) {
  if (version == 4) {
    return FitsLatin1(text) ? char(Latin1) + Utf8ToLatin1(text) : char(Utf8) + SanitizeUtf8(text);
  }
  if (FitsWin1252(text)) return char(Latin1) + Utf8ToWin1252(text);
  return std::string{char(Utf16), '\xFF', '\xFE'} + Utf8ToUtf16(text, TUtf16Order::LittleEndian);
}

std::string CommentFrameBody(std::string_view text, std::string_view language,
                             std::uint8_t version) {
  const std::string body = TextFrameBody(text, version);
  const bool wide = IsWide(std::uint8_t(body[0]));
  const std::string_view emptyDescription =
      wide ? std::string_view("\xFF\xFE\0\0", 4) : std::string_view("\0", 1);
  return body.substr(0, 1) + std::string(language) + std::string(emptyDescription) + body.substr(1);
}
