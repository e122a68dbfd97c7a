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

TEST_F(TGridEdit, InputMethodsComposeIntoTheGridAndTheEditor) {
  EXPECT_TRUE(Grid->testAttribute(Qt::WA_InputMethodEnabled));
  QInputMethodEvent first;
  first.setCommitString(QString::fromUtf8("\u65e5\u672c"));
  QApplication::sendEvent(Grid, &first);  // a composed text starts an edit as a typed one does
  ASSERT_TRUE(Grid->IsEditing());
  ASSERT_NE(Editor(), nullptr);
  QInputMethodEvent second;
  second.setCommitString(QString::fromUtf8("\u8a9e\U0001F600"));
  QApplication::sendEvent(Editor(), &second);
  Key(Qt::Key_Return);
  EXPECT_EQ(Cell(1, 0), QString::fromUtf8("\u65e5\u672c\u8a9e\U0001F600"));
  EXPECT_EQ(Active(), std::make_pair(1, 1));
}

// Any character can be typed, and the column's maximum counts characters: one outside the basic
// plane (two UTF-16 units) is one.
TEST_F(TGridEdit, TypedCharactersOfAnyScriptAreCountedByCharacter) {
  const struct {
    const char* Name;
    int Column;
    const char* Typed;
    const char* Kept;
  } cases[] = {
      {"Cyrillic", 0, "\u041f\u0440\u0438\u0432\u0435\u0442", nullptr},
      {"Greek", 1, "\u0391\u03b8\u03ae\u03bd\u03b1", nullptr},
      {"Chinese", 2, "\u65e5\u672c\u8a9e", nullptr},
      {"an emoji starts the edit", 4, "\U0001F3B5 x", nullptr},
      {"Year takes four astral digits", YearColumn,
       "\U0001D7D9\U0001D7DA\U0001D7DB\U0001D7DC\U0001D7DD",
       "\U0001D7D9\U0001D7DA\U0001D7DB\U0001D7DC"},
      {"Year mixed", YearColumn, "a\U0001F600b\U0001F600c", "a\U0001F600b\U0001F600"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const QString typed = QString::fromUtf8(c.Typed);
    const QString kept = QString::fromUtf8(c.Kept ? c.Kept : c.Typed);
    EndEdits.clear();
    Grid->SetActiveRow(2);
    Key(Qt::Key_Home);
    for (int i = 0; i < c.Column; ++i) Key(Qt::Key_Right);
    Type(typed);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->text(), kept);
    Key(Qt::Key_Return);
    ASSERT_EQ(EndEdits.size(), 1u);
    EXPECT_EQ(EndEdits[0].Text, kept);
    EXPECT_EQ(Cell(2, c.Column), kept);
  }
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
  QString seenInStorage;
  DuringEndEdit = [&](QString& text, bool&) {
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
  // A handler's longer text is cut too, by characters.
  DuringEndEdit = [](QString& text, bool&) { text = QString::fromUtf8("ab\U0001F600defgh"); };
  Grid->FinishEdit();
  EXPECT_EQ(Cell(2, YearColumn), QString::fromUtf8("ab\U0001F600d"));
  EXPECT_EQ(Stored, (std::vector<std::pair<int, int>>{{2, YearColumn}}));
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
  DuringEndEdit = [this](QString& text, bool&) {
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
  DuringEndEdit = [&](QString&, bool& allow) { allow = allowEnd; };
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
