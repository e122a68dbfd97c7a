#include "window/tagrow.h"

#include <QStringDecoder>
#include <algorithm>
#include <string>
#include <vector>

#include "tags/mp3tag.h"

bool TTagRow::Holds(int column) const {
  if (!Data || column < 0 || column >= ColumnCount) return false;
  return column < FixedColumns || (Data[0] & HeldFlag(column));
}

void TTagRow::Texts(QStringView (&texts)[ColumnCount]) const {
  if (!Data) {
    std::fill(std::begin(texts), std::end(texts), QStringView());
    return;
  }
  // Data[1..held]: the lengths of the columns held, in column order; the texts follow.
  bool holds[ColumnCount];
  int held = 0;
  for (int c = 0; c < ColumnCount; ++c)
    held += holds[c] = c < FixedColumns || (Data[0] & HeldFlag(c));
  const char16_t* text = Data.get() + 1 + held;
  const char16_t* length = Data.get() + 1;
  for (int c = 0; c < ColumnCount; ++c) {
    texts[c] = holds[c] ? QStringView(text, *length) : QStringView();
    if (holds[c]) text += *length++;
  }
}

QStringView TTagRow::Text(int column) const {
  if (!Holds(column)) return {};
  QStringView texts[ColumnCount];
  Texts(texts);
  return texts[column];
}

QStringView TTagRow::Texts(std::array<qsizetype, ColumnCount>& ends) const {
  if (!Data) {
    ends.fill(0);
    return {};
  }
  // A column the row does not hold ends where the one before it does; the texts follow the
  // lengths.
  const char16_t flags = Data[0];
  const char16_t* length = Data.get() + 1;
  qsizetype end = 0;
  for (int c = 0; c < ColumnCount; ++c) {
    if (c < FixedColumns || (flags & HeldFlag(c))) end += *length++;
    ends[c] = end;
  }
  return QStringView(length, end);
}

bool TTagRow::ReadOnly() const { return Data && (Data[0] & ReadOnlyFlag); }

void TTagRow::SetText(int column, QStringView text) {
  if (column < 0 || column >= ColumnCount) return;
  QStringView texts[ColumnCount];
  Texts(texts);
  texts[column] = text;
  // The old storage goes only once the new one holds the texts.
  Assign(Data ? Data[0] & ReadOnlyFlag : 0, texts);
}

void TTagRow::Fill(const TMP3Tag& tag, std::string_view fileName) {
  // Each text is decoded into its own part of a buffer kept from row to row, then copied once
  // into the row's exact allocation. UTF-8 decodes to at most one UTF-16 unit per byte.
  thread_local std::vector<char16_t> decoded;
  std::array<std::string_view, ColumnCount> bytes{};
  thread_local std::string buffer;
  if (tag.HasTitle()) {
    const TMP3Tag::TFieldTexts fields = tag.Texts(buffer);
    std::copy_n(fields.begin(), ColumnCount, bytes.begin());
  } else {
    bytes[0] = fileName;
  }
  std::size_t total = 0;
  for (const std::string_view text : bytes) total += text.size() + 1;
  if (decoded.size() < total) decoded.resize(total);

  QStringView texts[ColumnCount];
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  char16_t* out = decoded.data();
  for (int column = 0; column < ColumnCount; ++column) {
    const std::string_view text = bytes[column];
    // Most tag texts are ASCII, widened as they are: several times faster than the decoder.
    std::size_t ascii = 0;
    for (; ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80; ++ascii)
      out[ascii] = static_cast<char16_t>(text[ascii]);
    qsizetype length = static_cast<qsizetype>(ascii);
    if (ascii < text.size()) {
      const QChar* end = utf8.appendToBuffer(reinterpret_cast<QChar*>(out),
                                             QByteArrayView(text.data(), text.size()));
      length = end - reinterpret_cast<QChar*>(out);
    }
    texts[column] = QStringView(out, length);
    out += text.size() + 1;
  }
  InPath = LettersOf(tag.FullPathView());
  Assign(tag.ReadOnly() ? ReadOnlyFlag : 0, texts);
}

void TTagRow::Assign(char16_t flags, const QStringView (&texts)[ColumnCount]) {
  char16_t lengths[ColumnCount];
  int held = 0;
  std::size_t textUnits = 0;
  bool empty = (flags & ReadOnlyFlag) == 0;
  QStringView kept[ColumnCount];
  for (int c = 0; c < ColumnCount; ++c) {
    kept[c] = texts[c];
    if (kept[c].size() > MaxUnits) {
      kept[c].truncate(MaxUnits);
      if (kept[c].back().isHighSurrogate()) kept[c].chop(1);
    }
    if (c >= FixedColumns && kept[c].isEmpty()) continue;
    if (c >= FixedColumns) flags |= HeldFlag(c);
    lengths[held++] = static_cast<char16_t>(kept[c].size());
    textUnits += kept[c].size();
    empty = empty && kept[c].isEmpty();
  }
  InTexts = 0;
  for (const QStringView text : kept) InTexts |= LettersOf(text);
  if (empty) {
    Data.reset();
    return;
  }
  auto data = std::make_unique_for_overwrite<char16_t[]>(1 + held + textUnits);
  data[0] = flags;
  std::copy_n(lengths, held, data.get() + 1);
  char16_t* out = data.get() + 1 + held;
  for (int c = 0; c < ColumnCount; ++c) out = std::copy_n(kept[c].utf16(), kept[c].size(), out);
  Data = std::move(data);
}
