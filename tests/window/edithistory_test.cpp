#include "window/edithistory.h"

#include <gtest/gtest.h>

#include <map>
#include <span>
#include <vector>

namespace {

// A list of files held as texts by row and field, and as tag objects for the states.
class TFakeList : public TEditTarget {
 public:
  std::map<std::pair<int, TField>, std::string> Values;
  std::map<int, TMP3Tag> Tags;
  // The row announced ahead of each swap, the rows swapped, and how many rows were announced.
  std::vector<int> Announced, Swapped;
  std::size_t AnnouncedRows = 0;

  void Ahead(std::span<const int> rows, std::size_t at) override {
    Announced.push_back(rows[at]);
    AnnouncedRows = rows.size();
  }
  std::string SwapText(int row, TField field, const std::string& value) override {
    Swapped.push_back(row);
    std::string& held = Values[{row, field}];
    return std::exchange(held, value);
  }
  TMP3Tag::TState SwapState(int row, TMP3Tag::TState state) override {
    TMP3Tag::TState held = Tags[row].State();
    Tags[row].Restore(std::move(state));
    return held;
  }
};

struct TCell {
  int Row;
  TField Field;
  std::string Before, After;
};

// Makes the edit of the cells on the list, keeping their values before in a step.
TEditStep Edit(TFakeList& list, const std::vector<TCell>& cells) {
  TEditStep step;
  for (const TCell& cell : cells) {
    list.Values[{cell.Row, cell.Field}] = cell.Before;
    step.AddText(cell.Row, cell.Field, cell.Before);
    list.Values[{cell.Row, cell.Field}] = cell.After;
  }
  return step;
}

TEST(EditStep, TakingAStepBackAndAgainGivesBothSidesExactly) {
  const std::string long300(300, 'l');  // a length of two bytes
  const struct {
    const char* Name;
    std::vector<TCell> Cells;
  } cases[] = {
      {"rows in order", {{1, TField::Artist, "A", "X"}, {2, TField::Artist, "B", "X"}}},
      // A sorted table gives rows in any order, far apart.
      {"rows backwards and apart",
       {{900000, TField::Title, "far", "x"},
        {3, TField::Title, "near", "y"},
        {2, TField::Year, "1999", ""}}},
      {"one value before many",
       {{5, TField::Album, "Same", "1"},
        {6, TField::Album, "Same", "2"},
        {7, TField::Album, "Other", "3"},
        {8, TField::Album, "Same", "4"}}},
      {"long and empty values",
       {{1, TField::Comment, long300, ""}, {1, TField::Title, "", long300}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TFakeList list;
    TEditStep step = Edit(list, c.Cells);
    EXPECT_EQ(step.Cells(), c.Cells.size());
    step.Swap(list);
    for (const TCell& cell : c.Cells) EXPECT_EQ((list.Values[{cell.Row, cell.Field}]), cell.Before);
    // Each row is announced as it is reached, with all the rows of the step.
    EXPECT_EQ(list.Announced, list.Swapped);
    EXPECT_EQ(list.AnnouncedRows, c.Cells.size());
    step.Swap(list);
    for (const TCell& cell : c.Cells) EXPECT_EQ((list.Values[{cell.Row, cell.Field}]), cell.After);
  }
}

TEST(EditStep, AStateIsSwappedWhole) {
  TFakeList list;
  list.Tags[4].SetTitle("Before");
  TEditStep step;
  step.AddState(4, list.Tags[4].State());
  list.Tags[4].SetTitle("After");
  step.Swap(list);
  EXPECT_EQ(list.Tags[4].GetTitle(), "Before");
  step.Swap(list);
  EXPECT_EQ(list.Tags[4].GetTitle(), "After");
}

// One value for 100,000 cells costs at most twice the texts it replaced, and its redo, which
// holds the one value for every cell, a few bytes a cell.
TEST(EditStep, AHundredThousandCellsCostAtMostTwiceTheTextsReplaced) {
  TFakeList list;
  std::vector<TCell> cells;
  std::size_t replaced = 0;
  for (int row = 1; row <= 100'000; ++row) {
    cells.push_back({row, TField::Artist, "Artist " + std::to_string(row % 977), "One value"});
    replaced += cells.back().Before.size();
  }
  TEditStep step = Edit(list, cells);
  step.Shrink();
  EXPECT_LE(step.Bytes(), 2 * replaced);
  step.Swap(list);
  EXPECT_LE(step.Bytes(), 3 * cells.size());
}

TEST(EditHistory, ANewStepDropsTheStepsUndone) {
  TFakeList list;
  TEditHistory history;
  EXPECT_FALSE(history.Undo(list));
  history.Push(Edit(list, {{1, TField::Title, "a", "b"}}));
  history.Push(Edit(list, {{1, TField::Title, "b", "c"}}));
  history.Push(TEditStep());  // an edit that changed nothing is no step
  ASSERT_TRUE(history.Undo(list));
  EXPECT_EQ((list.Values[{1, TField::Title}]), "b");
  EXPECT_TRUE(history.CanRedo());
  history.Push(Edit(list, {{1, TField::Title, "b", "d"}}));
  EXPECT_FALSE(history.CanRedo());
  EXPECT_FALSE(history.Redo(list));
  ASSERT_TRUE(history.Undo(list));
  ASSERT_TRUE(history.Undo(list));
  EXPECT_EQ((list.Values[{1, TField::Title}]), "a");
  EXPECT_FALSE(history.CanUndo());
  ASSERT_TRUE(history.Redo(list));
  EXPECT_EQ((list.Values[{1, TField::Title}]), "b");
  EXPECT_GT(history.Bytes(), 0u);
  history.Clear();
  EXPECT_EQ(history.Bytes(), 0u);
  EXPECT_FALSE(history.CanUndo() || history.CanRedo());
}

}  // namespace
