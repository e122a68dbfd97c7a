#include "window/tagrow.h"

#include <QStringDecoder>
#include <algorithm>
#include <string>

#include "grid/characterlimit.h"
#include "tags/mp3tag.h"

namespace {

// A field of the tag layer holds at most 255 characters of up to 4 bytes each; a file name at
// most 255 bytes. UTF-8 decodes to at most one UTF-16 unit per byte.
constexpr std::size_t LongestField = 255 * 4;

}  // namespace

QStringView TTagRow::Text(int column) const {
  if (!Data || column < 0 || column >= ColumnCount) return {};
  std::size_t start = HeaderUnits;
  for (int c = 0; c < column; ++c) start += Data[c];
  return QStringView(Data.get() + start, Data[column]);
}

bool TTagRow::ReadOnly() const { return Data && (Data[ColumnCount] & ReadOnlyFlag); }

void TTagRow::SetText(int column, QStringView text) {
  if (column < 0 || column >= ColumnCount) return;
  char16_t header[HeaderUnits] = {};
  if (Data) std::copy_n(Data.get(), HeaderUnits, header);
  QStringView texts[ColumnCount];
  for (int c = 0; c < ColumnCount; ++c) texts[c] = c == column ? text : Text(c);
  Assign(header, texts);  // the old storage goes only once the new one holds the texts
}

void TTagRow::Fill(const TMP3Tag& tag, std::string_view fileName) {
  char16_t header[HeaderUnits] = {};
  header[ColumnCount] = tag.ReadOnly() ? ReadOnlyFlag : 0;
  // Each text is decoded into its own part of a buffer on the stack, then copied once into the
  // row's exact allocation.
  char16_t decoded[ColumnCount][LongestField + 1];
  QStringView texts[ColumnCount];
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  const auto decode = [&](int column, std::string_view bytes) {
    bytes = bytes.substr(0, LongestField);
    char16_t* out = decoded[column];
    // Most tag texts are ASCII, widened as they are: several times faster than the decoder.
    std::size_t ascii = 0;
    for (; ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80; ++ascii)
      out[ascii] = static_cast<char16_t>(bytes[ascii]);
    if (ascii == bytes.size()) {
      texts[column] = QStringView(out, static_cast<qsizetype>(ascii));
      return;
    }
    Q_ASSERT(utf8.requiredSpace(static_cast<qsizetype>(bytes.size())) <=
             static_cast<qsizetype>(LongestField) + 1);
    const QChar* end = utf8.appendToBuffer(reinterpret_cast<QChar*>(out),
                                           QByteArrayView(bytes.data(), bytes.size()));
    texts[column] =
        QStringView(reinterpret_cast<const QChar*>(out), end - reinterpret_cast<QChar*>(out));
  };
  if (tag.HasTitle()) {
    std::string buffer;
    const TMP3Tag::TShownFields fields = tag.ShownFields(buffer);
    for (int column = 0; column < ColumnCount; ++column) decode(column, fields[column]);
  } else {
    decode(0, fileName);
  }
  Assign(header, texts);
}

void TTagRow::Assign(const char16_t* header, const QStringView (&texts)[ColumnCount]) {
  char16_t lengths[ColumnCount];
  std::size_t units = HeaderUnits;
  bool empty = (header[ColumnCount] & ReadOnlyFlag) == 0;
  for (int c = 0; c < ColumnCount; ++c) {
    // No more units than the maximum means no more characters either.
    const QStringView text =
        texts[c].size() <= MaxCharacters(c) ? texts[c] : LeftCharacters(texts[c], MaxCharacters(c));
    lengths[c] = static_cast<char16_t>(text.size());
    units += text.size();
    empty = empty && text.isEmpty();
  }
  if (empty) {
    Data.reset();
    return;
  }
  auto data = std::make_unique_for_overwrite<char16_t[]>(units);
  std::copy_n(lengths, ColumnCount, data.get());
  data[ColumnCount] = header[ColumnCount];
  char16_t* out = data.get() + HeaderUnits;
  for (int c = 0; c < ColumnCount; ++c) {
    const char16_t* from = texts[c].utf16();
    out = std::copy_n(from, lengths[c], out);
  }
  Data = std::move(data);
}
