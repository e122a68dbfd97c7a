#pragma once

#include <Qt>
#include <optional>

// A cell in model coordinates: row 0 is the first data row.
struct TCellPos {
  int Row = 0;
  int Column = 0;
  bool operator==(const TCellPos&) const = default;
};

// The size of the table a key moves in: data rows, columns and the rows of one screen.
struct TGridExtent {
  int Rows = 1;
  int Columns = 1;
  int Page = 1;
};

// Where a key moves the active cell. nullopt: not a navigation key. The current cell itself:
// the key is consumed without a move (Tab or Enter with another modifier, or a move past an edge).
// Tab and Enter act as the right arrow, Shift+Tab as the left; Ctrl makes arrows, Home, End and
// the page keys jump to the table's edges.
std::optional<TCellPos> NavigationTarget(int key, Qt::KeyboardModifiers modifiers, TCellPos from,
                                         const TGridExtent& extent);

// Tab, Shift+Tab and Enter without another modifier end an edit even where they cannot move.
bool ConfirmsEdit(int key, Qt::KeyboardModifiers modifiers);

// Shift with an arrow, Home, End or a page key extends the selection instead of moving it; the
// other modifiers keep their meaning for the move. Shift+Tab and Shift+Enter are no extensions.
bool ExtendsSelection(int key, Qt::KeyboardModifiers modifiers);
