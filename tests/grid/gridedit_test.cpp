#include <QApplication>
#include <QDialog>
#include <QInputMethodEvent>
#include <QTest>
#include <QTimer>

#include "tests/grid/gridfixture.h"

namespace {

using TGridEdit = TGridTest;

// Runs a modal dialog that a timer closes, as a message box inside a handler would.
void RunModalBriefly(QWidget* parent, const std::function<void()>& meanwhile = {}) {
  QDialog dialog(parent);
  QTimer::singleShot(20, &dialog, [&] {
    if (meanwhile) meanwhile();
    dialog.accept();
  });
  dialog.exec();
}

TEST_F(TGridEdit, F2KeepsTheTextWithTheCaretAtTheEnd) {
  Grid->SetActiveRow(2);
  Key(Qt::Key_F2);
  ASSERT_TRUE(Grid->IsEditing());
  ASSERT_NE(Editor(), nullptr);
  EXPECT_EQ(Editor()->text(), "r2c0");
  EXPECT_FALSE(Editor()->hasSelectedText());
  Type("x");
  EXPECT_EQ(Editor()->text(), "r2c0x");
  ASSERT_EQ(BeginEdits.size(), 1u);
  EXPECT_EQ(BeginEdits[0], std::make_pair(2, 0));
}

TEST_F(TGridEdit, DoubleClickStartsEditingThatCell) {
  DoubleClick(3, 2);
  ASSERT_TRUE(Grid->IsEditing());
  EXPECT_EQ(Active(), std::make_pair(3, 2));
  EXPECT_EQ(Editor()->text(), "r3c2");
}

TEST_F(TGridEdit, ATypedCharacterReplacesTheText) {
  Type("Q");
  ASSERT_TRUE(Grid->IsEditing());
  EXPECT_EQ(Editor()->text(), "Q");
  Type("rs");
  Key(Qt::Key_Return);
  EXPECT_EQ(Cell(1, 0), "Qrs");
}

TEST_F(TGridEdit, ACharacterFromAnInputMethodStartsAnEdit) {
  QInputMethodEvent composed;
  composed.setCommitString(QString::fromUtf8("é"));
  QApplication::sendEvent(Grid, &composed);
  ASSERT_TRUE(Grid->IsEditing());
  EXPECT_EQ(Editor()->text(), QString::fromUtf8("é"));
  EXPECT_EQ(Active(), std::make_pair(1, 0));
}

TEST_F(TGridEdit, ControlCharactersAndCtrlLettersDoNotStartAnEdit) {
  Key(Qt::Key_C, Qt::ControlModifier);
  Key(Qt::Key_Delete);
  EXPECT_FALSE(Grid->IsEditing());
  EXPECT_TRUE(BeginEdits.empty());
}

TEST_F(TGridEdit, RefusedBeginEditOpensNoEditor) {
  AllowBegin = false;
  Key(Qt::Key_F2);
  Type("a");
  DoubleClick(2, 1);
  EXPECT_EQ(BeginEdits.size(), 3u);
  EXPECT_FALSE(Grid->IsEditing());
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_EQ(Cell(1, 0), "r1c0");
}

TEST_F(TGridEdit, BeginEditMayRunAModalDialogAndRefuse) {
  AllowBegin = false;
  // While the dialog runs, a second start and a row change must not open an editor.
  DuringBeginEdit = [this] {
    RunModalBriefly(Window.get(), [this] {
      Grid->StartEdit();
      Grid->SetActiveRow(4);
    });
  };
  Key(Qt::Key_F2);
  EXPECT_EQ(BeginEdits.size(), 1u);
  EXPECT_FALSE(Grid->IsEditing());
  EXPECT_EQ(Grid->ActiveRow(), 4);
}

TEST_F(TGridEdit, EndEditSeesTheTextBeforeItIsStoredAndMayReplaceIt) {
  std::string seenInStorage;
  DuringEndEdit = [&](std::string& text, bool&) {
    seenInStorage = Cell(1, 1);
    text = "replaced";
  };
  Grid->SetActiveRow(1);
  Key(Qt::Key_Right);
  Type("new");
  Key(Qt::Key_Tab);
  ASSERT_EQ(EndEdits.size(), 1u);
  EXPECT_EQ(EndEdits[0].Text, "new");
  EXPECT_EQ(EndEdits[0].Row, 1);
  EXPECT_EQ(EndEdits[0].Column, 1);
  EXPECT_EQ(seenInStorage, "r1c1");
  EXPECT_EQ(Cell(1, 1), "replaced");
  EXPECT_FALSE(Grid->IsEditing());
  EXPECT_EQ(Active(), std::make_pair(1, 2));
}

TEST_F(TGridEdit, TheEditorAndTheStoreKeepTheColumnsMaximumLength) {
  Grid->SetActiveRow(2);
  Key(Qt::Key_End);
  Key(Qt::Key_Left);  // the Year column
  Type("123456");
  EXPECT_EQ(Editor()->text(), "1234");
  // A handler's longer text is cut too; a 4-byte cell buffer cannot be overrun.
  DuringEndEdit = [](std::string& text, bool&) { text = "abcdefgh"; };
  Grid->FinishEdit();
  EXPECT_EQ(Cell(2, YearColumn), "abcd");
}

TEST_F(TGridEdit, TheFullEditorNeitherMovesOnNorLeavesAtItsEnds) {
  Grid->SetActiveRow(2);
  Key(Qt::Key_End);
  Key(Qt::Key_Left);
  Type("1999");
  Key(Qt::Key_Right);
  Key(Qt::Key_Home);
  Key(Qt::Key_Left);
  Key(Qt::Key_End);
  EXPECT_TRUE(Grid->IsEditing());
  EXPECT_EQ(Active(), std::make_pair(2, YearColumn));
  EXPECT_TRUE(EndEdits.empty());
}

TEST_F(TGridEdit, EscapeAbandonsWithoutEndEdit) {
  Type("gone");
  Key(Qt::Key_Escape);
  EXPECT_FALSE(Grid->IsEditing());
  EXPECT_TRUE(EndEdits.empty());
  EXPECT_EQ(Cell(1, 0), "r1c0");
  EXPECT_TRUE(Grid->hasFocus());
}

TEST_F(TGridEdit, FinishEditKeepsTheTextAndIsANoOpWithoutAnEdit) {
  Grid->FinishEdit();
  EXPECT_TRUE(EndEdits.empty());
  Key(Qt::Key_F2);
  Type("!");
  Grid->FinishEdit();
  ASSERT_EQ(EndEdits.size(), 1u);
  EXPECT_EQ(Cell(1, 0), "r1c0!");
  EXPECT_FALSE(Grid->IsEditing());
  Grid->FinishEdit();
  EXPECT_EQ(EndEdits.size(), 1u);
}

TEST_F(TGridEdit, MovingToAnotherCellEndsTheEditKeepingItsText) {
  const struct {
    const char* Name;
    std::function<void()> Move;
    std::pair<int, int> To;
  } moves[] = {
      {"Down", [this] { Key(Qt::Key_Down); }, {3, 1}},
      {"Up", [this] { Key(Qt::Key_Up); }, {1, 1}},
      {"Page Down", [this] { Key(Qt::Key_PageDown); }, {5, 1}},
      {"Enter", [this] { Key(Qt::Key_Return); }, {2, 2}},
      {"keypad Enter", [this] { Key(Qt::Key_Enter, Qt::KeypadModifier); }, {2, 2}},
      {"Tab", [this] { Key(Qt::Key_Tab); }, {2, 2}},
      {"Shift+Tab", [this] { Key(Qt::Key_Backtab, Qt::ShiftModifier); }, {2, 0}},
      {"click", [this] { Click(4, 3); }, {4, 3}},
  };
  for (const auto& move : moves) {
    SCOPED_TRACE(move.Name);
    SetCell(2, 1, "old");
    EndEdits.clear();
    Grid->SetActiveRow(2);
    Key(Qt::Key_Home);
    Key(Qt::Key_Right);
    Type("kept");
    move.Move();
    EXPECT_FALSE(Grid->IsEditing());
    EXPECT_EQ(EndEdits.size(), 1u);
    EXPECT_EQ(Cell(2, 1), "kept");
    EXPECT_EQ(Active(), move.To);
  }
}

TEST_F(TGridEdit, TabOrEnterWithAnotherModifierDoesNothing) {
  Type("a");
  for (auto [key, modifiers] : {std::pair{Qt::Key_Return, Qt::ControlModifier},
                                {Qt::Key_Return, Qt::ShiftModifier},
                                {Qt::Key_Return, Qt::AltModifier},
                                {Qt::Key_Tab, Qt::ControlModifier}}) {
    Key(key, modifiers);
    EXPECT_TRUE(Grid->IsEditing());
  }
  EXPECT_TRUE(EndEdits.empty());
  EXPECT_EQ(Active(), std::make_pair(1, 0));
}

TEST_F(TGridEdit, EnterInTheLastColumnEndsTheEditInPlace) {
  Key(Qt::Key_End);
  Type("z");
  Key(Qt::Key_Return);
  EXPECT_FALSE(Grid->IsEditing());
  EXPECT_EQ(Cell(1, 4), "z");
  EXPECT_EQ(Active(), std::make_pair(1, 4));
}

TEST_F(TGridEdit, FocusLeavingTheGridEndsTheEdit) {
  Type("t");
  Other->setFocus();
  EXPECT_FALSE(Grid->IsEditing());
  ASSERT_EQ(EndEdits.size(), 1u);
  EXPECT_EQ(Cell(1, 0), "t");
  EXPECT_TRUE(Other->hasFocus());
}

TEST_F(TGridEdit, SwitchingToAnotherWindowKeepsTheEditOpen) {
  Type("t");
  QWidget elsewhere;
  elsewhere.show();
  QApplication::setActiveWindow(&elsewhere);
  EXPECT_TRUE(Grid->IsEditing());
  EXPECT_TRUE(EndEdits.empty());
  QApplication::setActiveWindow(Window.get());
  Key(Qt::Key_Return);
  ASSERT_EQ(EndEdits.size(), 1u);
  EXPECT_EQ(Cell(1, 0), "t");
}

TEST_F(TGridEdit, EndEditRunningANestedEventLoopCommitsOnce) {
  // The modal box takes the focus from the editor, and meanwhile the window finishes edits
  // and the user presses Tab: none of it may end the edit a second time.
  DuringEndEdit = [this](std::string& text, bool&) {
    if (EndEdits.size() > 1) return;  // a second call is the fault; do not nest further
    RunModalBriefly(Window.get(), [this] {
      Grid->FinishEdit();
      QTest::keyClick(Grid, Qt::Key_Tab);
    });
    text += "+";
  };
  Type("once");
  Key(Qt::Key_Return);
  EXPECT_EQ(EndEdits.size(), 1u);
  EXPECT_EQ(Cell(1, 0), "once+");
  EXPECT_FALSE(Grid->IsEditing());
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_EQ(Active(), std::make_pair(1, 1));
}

TEST_F(TGridEdit, RefusedEndEditKeepsEditingAndStoresNothing) {
  bool allowEnd = false;
  DuringEndEdit = [&](std::string&, bool& allow) { allow = allowEnd; };
  Type("no");
  Key(Qt::Key_Down);
  EXPECT_TRUE(Grid->IsEditing());
  EXPECT_EQ(Cell(1, 0), "r1c0");
  EXPECT_EQ(Active(), std::make_pair(1, 0));
  allowEnd = true;
  Key(Qt::Key_Down);
  EXPECT_EQ(Cell(1, 0), "no");
  EXPECT_EQ(Active(), std::make_pair(2, 0));
}

TEST_F(TGridEdit, RemovingTheEditedRowDropsTheEdit) {
  Grid->SetActiveRow(4);
  Type("lost");
  List(2);
  EXPECT_FALSE(Grid->IsEditing());
  EXPECT_TRUE(EndEdits.empty());
  EXPECT_EQ(Grid->ActiveRow(), 2);
}

TEST_F(TGridEdit, ACellWithoutStorageEditsButStoresNothing) {
  Grid->SetRowLimit(8);
  Grid->SetActiveRow(7);
  Type("nowhere");
  Key(Qt::Key_Up);
  EXPECT_EQ(EndEdits.size(), 1u);
  EXPECT_EQ(Grid->model()->index(6, 0).data().toString(), "");
}

}  // namespace
