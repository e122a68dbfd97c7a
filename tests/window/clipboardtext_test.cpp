#include "window/clipboardtext.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(ClipboardText, BlocksGoAsSpreadsheetsExchangeThemAndComeBackWhole) {
  const struct {
    const char* Name;
    TCellBlock Block;
    QString Text;
  } cases[] = {
      {"rows and cells", {{"Title", "Artist"}, {"T2", "A2"}}, "Title\tArtist\nT2\tA2\n"},
      {"empty cells keep their place", {{"", "b", ""}}, "\tb\t\n"},
      // A comment of several lines is one cell.
      {"line breaks and tabs are quoted",
       {{"one\ntwo", "a\tb", "c\rd"}},
       "\"one\ntwo\"\t\"a\tb\"\t\"c\rd\"\n"},
      {"a quote at the start is quoted, doubled",
       {{"\"Hi\" he said", "5\" single"}},
       "\"\"\"Hi\"\" he said\"\t5\" single\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(CopiedText(c.Block), c.Text);
    EXPECT_EQ(ParseCopiedText(c.Text), c.Block);
  }
}

TEST(ClipboardText, TextFromElsewhereIsReadAsABlock) {
  const struct {
    const char* Name;
    QString Text;
    TCellBlock Block;
  } cases[] = {
      {"one word, no line break", "Word", {{"Word"}}},
      {"lines of a Windows spreadsheet", "a\tb\r\nc\td\r\n", {{"a", "b"}, {"c", "d"}}},
      {"an empty line between", "a\n\nb", {{"a"}, {""}, {"b"}}},
      {"nothing", "", {}},
      {"a quoted cell running on to its tab", "\"x\"y\tz\n", {{"xy", "z"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ParseCopiedText(c.Text), c.Block);
  }
}

// (row, column, block row, block column) of each cell pasted into.
using TPlaces = std::vector<std::tuple<int, int, int, int>>;

TPlaces Places(const std::vector<TPasteCell>& cells) {
  TPlaces places;
  for (const TPasteCell& c : cells) places.emplace_back(c.Row, c.Column, c.BlockRow, c.BlockColumn);
  return places;
}

TEST(PasteCells, ShapesFollowSpreadsheets) {
  const std::vector<int> allShown = {0, 1, 2, 3, 4};
  const struct {
    const char* Name;
    int Rows, Columns;
    std::vector<TGridRange> Selection;
    int ActiveRow, ActiveColumn;
    std::vector<int> Shown;
    int LastRow;
    TPlaces Expected;
  } cases[] = {
      {"one value fills every selected cell",
       1,
       1,
       {{2, 1, 3, 1}, {5, 0, 5, 0}},
       2,
       1,
       allShown,
       9,
       {{2, 1, 0, 0}, {3, 1, 0, 0}, {5, 0, 0, 0}}},
      {"a block goes at the active cell",
       2,
       2,
       {{4, 1, 4, 1}},
       4,
       1,
       allShown,
       9,
       {{4, 1, 0, 0}, {4, 2, 0, 1}, {5, 1, 1, 0}, {5, 2, 1, 1}}},
      {"never past the last row or column",
       2,
       2,
       {{9, 4, 9, 4}},
       9,
       4,
       allShown,
       9,
       {{9, 4, 0, 0}}},
      {"a row repeats down a selection it fits",
       1,
       2,
       {{1, 0, 3, 1}},
       1,
       0,
       allShown,
       9,
       {{1, 0, 0, 0}, {1, 1, 0, 1}, {2, 0, 0, 0}, {2, 1, 0, 1}, {3, 0, 0, 0}, {3, 1, 0, 1}}},
      {"a selection it does not fit whole takes it once",
       2,
       1,
       {{1, 0, 3, 0}},
       1,
       0,
       allShown,
       9,
       {{1, 0, 0, 0}, {2, 0, 1, 0}}},
      {"hidden columns are passed over",
       1,
       2,
       {{1, 1, 1, 1}},
       1,
       1,
       {0, 1, 3, 4},
       9,
       {{1, 1, 0, 0}, {1, 3, 0, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Places(PasteCells(c.Rows, c.Columns, c.Selection, c.ActiveRow, c.ActiveColumn,
                                c.Shown, c.LastRow)),
              c.Expected);
  }
}

}  // namespace
