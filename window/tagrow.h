#pragma once

#include <QStringView>
#include <array>
#include <memory>
#include <string_view>

#include "tags/fields.h"
#include "tags/prefetch.h"
#include "window/letterset.h"

class TMP3Tag;

// The display record of one listed file: the texts of its columns (the fields Title, Artist,
// Album, Year, Comment, Track and Genre) and its read-only flag. They are held compactly in one
// allocation per row: the flags and the lengths, then the texts back to back in UTF-16, so the
// table paints a cell straight from it. Track and Genre take room only in a row that shows one:
// most files have neither, and a list of a million files pays for none. A row with no text and
// the flag clear holds no allocation. The record only moves when its array moves it, which the
// row store never does. The file name is not held here: the table serves it from the path.
class TTagRow {
 public:
  static constexpr int ColumnCount = 7;
  // The most UTF-16 units a text of a row holds; the tag layer lists no longer text.
  static constexpr int MaxUnits = 65535;

  TTagRow() = default;
  TTagRow(TTagRow&&) noexcept = default;
  TTagRow& operator=(TTagRow&&) noexcept = default;

  // A column's text (its field's) in this row's own storage, valid until the row is changed;
  // empty for any other column.
  QStringView Text(int column) const;
  // Every column's text back to back, in column order, and where each one ends in it: for a
  // look through all of a row's texts at once.
  QStringView Texts(std::array<qsizetype, ColumnCount>& ends) const;
  // Replaces one column's text. Only this row is reallocated.
  void SetText(int column, QStringView text);
  // The file carried the read-only attribute when it was scanned.
  bool ReadOnly() const;
  // The letters and digits of the row's texts, and those of its file's path, kept beside the
  // texts so that a filter can pass over the texts or the path of a row without reading them.
  TLetterSet TextLetters() const { return InTexts; }
  TLetterSet PathLetters() const { return InPath; }
  // Asks the processor to fetch the row's texts while other work goes on: a look at many
  // rows waits mostly for memory.
  void Prefetch() const { PrefetchAddress(Data.get()); }
  // The same for a look through all of its texts: the first two cache lines, which hold most
  // rows' texts whole.
  void PrefetchTexts() const {
    PrefetchAddress(Data.get());
    PrefetchNextLine(Data.get());
  }

  // The row of a freshly read file, decoded from the tag's UTF-8 into the row's one
  // allocation: the tag's fields when it has a valid title; otherwise the file's own name as
  // Title (decoded as UTF-8, a stray byte shown as U+FFFD) and the rest empty, whatever else the
  // tag holds. The read-only flag is the one the tag object found when it opened the file; the
  // letters are those of the texts and the file's path.
  void Fill(const TMP3Tag& tag, std::string_view fileName);

 private:
  // Always held: the five columns before Track. Track and Genre have a length only when the
  // flags say the row has them.
  static constexpr int FixedColumns = 5;
  // Data[0]: flags; then a length in UTF-16 units per column held; then the texts.
  static constexpr char16_t ReadOnlyFlag = 1;
  static constexpr char16_t HeldFlag(int column) { return char16_t(2u << (column - FixedColumns)); }
  bool Holds(int column) const;
  // Every column's text, in one pass over the lengths.
  void Texts(QStringView (&texts)[ColumnCount]) const;

  void Assign(char16_t flags, const QStringView (&texts)[ColumnCount]);

  std::unique_ptr<char16_t[]> Data;
  TLetterSet InTexts = 0, InPath = 0;
};
