#include "window/clipboardtext.h"

#include <algorithm>

namespace {

bool NeedsQuotes(const QString& text) {
  return text.startsWith(QLatin1Char('"')) || text.contains(QLatin1Char('\t')) ||
         text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

}  // namespace

QString CopiedText(const TCellBlock& block) {
  QString text;
  for (const QStringList& row : block) {
    for (qsizetype column = 0; column < row.size(); ++column) {
      if (column > 0) text += QLatin1Char('\t');
      const QString& cell = row[column];
      if (NeedsQuotes(cell))
        text += QLatin1Char('"') + QString(cell).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                QLatin1Char('"');
      else
        text += cell;
    }
    text += QLatin1Char('\n');
  }
  return text;
}

TCellBlock ParseCopiedText(const QString& text) {
  TCellBlock block;
  QStringList row;
  QString cell;
  qsizetype at = 0;
  const qsizetype end = text.size();
  while (at < end) {
    // A quoted cell runs to the quote that is not doubled; what follows it up to the next tab or
    // line break belongs to it too, as spreadsheets read it.
    if (text[at] == QLatin1Char('"') && cell.isEmpty()) {
      ++at;
      while (at < end) {
        if (text[at] == QLatin1Char('"')) {
          if (at + 1 < end && text[at + 1] == QLatin1Char('"')) {
            cell += QLatin1Char('"');
            at += 2;
            continue;
          }
          ++at;
          break;
        }
        cell += text[at++];
      }
      continue;
    }
    const QChar c = text[at++];
    if (c == QLatin1Char('\t')) {
      row << cell;
      cell.clear();
    } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
      if (c == QLatin1Char('\r') && at < end && text[at] == QLatin1Char('\n')) ++at;
      row << cell;
      cell.clear();
      block.push_back(row);
      row.clear();
    } else {
      cell += c;
    }
  }
  // The last line needs no line break after it.
  if (!cell.isEmpty() || !row.isEmpty()) {
    row << cell;
    block.push_back(row);
  }
  return block;
}

std::vector<TPasteCell> PasteCells(int rows, int columns, const std::vector<TGridRange>& selection,
                                   int activeRow, int activeColumn,
                                   const std::vector<int>& shownColumns, int lastRow) {
  std::vector<TPasteCell> cells;
  if (rows <= 0 || columns <= 0) return cells;
  const auto position = [&](int column) {
    return int(std::lower_bound(shownColumns.begin(), shownColumns.end(), column) -
               shownColumns.begin());
  };
  if (rows == 1 && columns == 1 && !selection.empty()) {
    for (const TGridRange& range : selection)
      for (int row = range.Top; row <= std::min(range.Bottom, lastRow); ++row)
        for (int at = position(range.Left); at <= position(range.Right); ++at)
          cells.push_back({row, shownColumns[at], 0, 0});
    return cells;
  }
  int top = activeRow, left = position(activeColumn);
  int height = rows, width = columns;
  if (selection.size() == 1) {
    const TGridRange& range = selection.front();
    const int selectedRows = std::min(range.Bottom, lastRow) - range.Top + 1;
    const int selectedColumns = position(range.Right) - position(range.Left) + 1;
    if (selectedRows >= rows && selectedColumns >= columns && selectedRows % rows == 0 &&
        selectedColumns % columns == 0) {
      top = range.Top;
      left = position(range.Left);
      height = selectedRows;
      width = selectedColumns;
    }
  }
  for (int row = top; row < top + height && row <= lastRow; ++row)
    for (int at = left; at < left + width && at < int(shownColumns.size()); ++at)
      cells.push_back({row, shownColumns[at], (row - top) % rows, (at - left) % columns});
  return cells;
}
