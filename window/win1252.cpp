#include "window/win1252.h"

#include <QFile>
#include <array>

namespace {

// Code points of the bytes 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char EncodeChar(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < High.size(); ++i)
    if (High[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

QString DecodeWin1252(std::string_view bytes) {
  QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* out = text.data();
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    *out++ = QChar(b >= 0x80 && b < 0xA0 ? High[b - 0x80] : char16_t{b});
  }
  return text;
}

std::string EncodeWin1252(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  // By code point, so a character outside the basic plane gives one "?", not two.
  for (const char32_t c : text.toUcs4()) bytes += EncodeChar(c);
  return bytes;
}

std::string FileNameToTitle(const std::string& nativeName) {
  std::string title = EncodeWin1252(QFile::decodeName(QByteArray::fromStdString(nativeName)));
  if (title.size() > 255) title.resize(255);
  return title;
}
