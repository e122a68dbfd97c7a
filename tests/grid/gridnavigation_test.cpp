#include "grid/gridnavigation.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const TCellPos& pos, std::ostream* out) {
  *out << "(" << pos.Row << ", " << pos.Column << ")";
}

namespace {

constexpr TGridExtent Extent{10, 5, 4};  // 10 data rows, 5 columns, 4 rows per page
constexpr TCellPos Middle{5, 2};

struct TMove {
  const char* Name;
  int Key;
  Qt::KeyboardModifiers Modifiers;
  TCellPos From;
  std::optional<TCellPos> To;  // nullopt: not a navigation key
};

const TMove Moves[] = {
    {"Tab moves right", Qt::Key_Tab, Qt::NoModifier, Middle, TCellPos{5, 3}},
    {"Enter moves right", Qt::Key_Return, Qt::NoModifier, Middle, TCellPos{5, 3}},
    {"keypad Enter moves right", Qt::Key_Enter, Qt::KeypadModifier, Middle, TCellPos{5, 3}},
    {"Shift+Tab as Backtab moves left", Qt::Key_Backtab, Qt::ShiftModifier, Middle, TCellPos{5, 1}},
    {"Backtab from focus chaining", Qt::Key_Backtab, Qt::NoModifier, Middle, TCellPos{5, 1}},
    {"Shift+Tab as Tab moves left", Qt::Key_Tab, Qt::ShiftModifier, Middle, TCellPos{5, 1}},
    {"Ctrl+Tab stays", Qt::Key_Tab, Qt::ControlModifier, Middle, Middle},
    {"Alt+Tab stays", Qt::Key_Tab, Qt::AltModifier, Middle, Middle},
    {"Ctrl+Shift+Tab stays", Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, Middle,
     Middle},
    {"Ctrl+Enter stays", Qt::Key_Return, Qt::ControlModifier, Middle, Middle},
    {"Shift+Enter stays", Qt::Key_Return, Qt::ShiftModifier, Middle, Middle},
    {"Alt+keypad Enter stays", Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier, Middle, Middle},
    {"Tab in the last column stays", Qt::Key_Tab, Qt::NoModifier, {5, 4}, TCellPos{5, 4}},
    {"Left", Qt::Key_Left, Qt::NoModifier, Middle, TCellPos{5, 1}},
    {"Right", Qt::Key_Right, Qt::NoModifier, Middle, TCellPos{5, 3}},
    {"Up", Qt::Key_Up, Qt::NoModifier, Middle, TCellPos{4, 2}},
    {"Down", Qt::Key_Down, Qt::NoModifier, Middle, TCellPos{6, 2}},
    {"keypad Down", Qt::Key_Down, Qt::KeypadModifier, Middle, TCellPos{6, 2}},
    {"Up in the first row stays", Qt::Key_Up, Qt::NoModifier, {0, 2}, TCellPos{0, 2}},
    {"Down in the last row stays", Qt::Key_Down, Qt::NoModifier, {9, 2}, TCellPos{9, 2}},
    {"Ctrl+Up", Qt::Key_Up, Qt::ControlModifier, Middle, TCellPos{0, 2}},
    {"Ctrl+Down", Qt::Key_Down, Qt::ControlModifier, Middle, TCellPos{9, 2}},
    {"Ctrl+Left", Qt::Key_Left, Qt::ControlModifier, Middle, TCellPos{5, 0}},
    {"Ctrl+Right", Qt::Key_Right, Qt::ControlModifier, Middle, TCellPos{5, 4}},
    {"Home", Qt::Key_Home, Qt::NoModifier, Middle, TCellPos{5, 0}},
    {"End", Qt::Key_End, Qt::NoModifier, Middle, TCellPos{5, 4}},
    {"Ctrl+Home", Qt::Key_Home, Qt::ControlModifier, Middle, TCellPos{0, 0}},
    {"Ctrl+End", Qt::Key_End, Qt::ControlModifier, Middle, TCellPos{9, 4}},
    {"Page Down", Qt::Key_PageDown, Qt::NoModifier, Middle, TCellPos{9, 2}},
    {"Page Up", Qt::Key_PageUp, Qt::NoModifier, Middle, TCellPos{1, 2}},
    {"Page Up clamps at the first row", Qt::Key_PageUp, Qt::NoModifier, {2, 2}, TCellPos{0, 2}},
    {"Ctrl+Page Up", Qt::Key_PageUp, Qt::ControlModifier, Middle, TCellPos{0, 2}},
    {"Ctrl+Page Down", Qt::Key_PageDown, Qt::ControlModifier, Middle, TCellPos{9, 2}},
    {"Alt+Left belongs to others", Qt::Key_Left, Qt::AltModifier, Middle, std::nullopt},
    {"a letter is no move", Qt::Key_A, Qt::NoModifier, Middle, std::nullopt},
    {"F2 is no move", Qt::Key_F2, Qt::NoModifier, Middle, std::nullopt},
};

TEST(GridNavigation, KeyMap) {
  for (const TMove& move : Moves) {
    SCOPED_TRACE(move.Name);
    EXPECT_EQ(NavigationTarget(move.Key, move.Modifiers, move.From, Extent), move.To);
  }
}

TEST(GridNavigation, OnlyUnmodifiedTabAndEnterConfirmAnEdit) {
  EXPECT_TRUE(ConfirmsEdit(Qt::Key_Tab, Qt::NoModifier));
  EXPECT_TRUE(ConfirmsEdit(Qt::Key_Backtab, Qt::ShiftModifier));
  EXPECT_TRUE(ConfirmsEdit(Qt::Key_Enter, Qt::KeypadModifier));
  EXPECT_FALSE(ConfirmsEdit(Qt::Key_Return, Qt::ShiftModifier));
  EXPECT_FALSE(ConfirmsEdit(Qt::Key_Tab, Qt::ControlModifier));
  EXPECT_FALSE(ConfirmsEdit(Qt::Key_Down, Qt::NoModifier));
}

}  // namespace
