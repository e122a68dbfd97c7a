#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "grid/grid.h"

// Cells on the clipboard as spreadsheets exchange them: a line per row, the cells of a row
// parted by tabs. A text holding a tab, a line break or a quote at its start is quoted, with
// its quotes doubled, so that a comment of several lines stays one cell.
using TCellBlock = std::vector<QStringList>;

QString CopiedText(const TCellBlock& block);
// The block a text on the clipboard holds: the line break after the last row is no row of its
// own. Plain text copied from elsewhere is a block too: one line, one cell.
TCellBlock ParseCopiedText(const QString& text);

// Where each cell of a pasted block goes: the table's row and column and the block's.
struct TPasteCell {
  int Row, Column;
  int BlockRow, BlockColumn;
};

// The cells a block of `rows` x `columns` is pasted into, following spreadsheets: a single value
// fills every selected cell; a block is laid over the one selected rectangle as many times as it
// fits it whole, when it fits at least once in each direction; otherwise it goes at the active
// cell. Columns are counted among the shown ones; nothing goes past the last row or column.
// Rows are table rows from 1 to `lastRow`.
std::vector<TPasteCell> PasteCells(int rows, int columns, const std::vector<TGridRange>& selection,
                                   int activeRow, int activeColumn,
                                   const std::vector<int>& shownColumns, int lastRow);
