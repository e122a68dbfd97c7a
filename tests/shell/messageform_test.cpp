// The house message box from the keyboard and on the screen: letter keys answer, and the box is
// wide enough for its title.
#include "window/messageform.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QPushButton>
#include <QTest>
#include <optional>

namespace {

struct TLetterCase {
  const char* Name;
  TButtons Buttons;
  Qt::Key Key;
  Qt::KeyboardModifiers Modifiers;
  std::optional<TAnswer> Answer;  // nullopt: the box stays open
};

const TLetterCase LetterCases[] = {
    {"Y", TButtons::YesNoCancel(), Qt::Key_Y, Qt::NoModifier, TAnswer::Yes},
    {"N", TButtons::YesNoCancel(), Qt::Key_N, Qt::NoModifier, TAnswer::No},
    {"C", TButtons::YesNoCancel(), Qt::Key_C, Qt::NoModifier, TAnswer::Cancel},
    {"Shift+N", TButtons::YesNo(), Qt::Key_N, Qt::ShiftModifier, TAnswer::No},
    {"O", TButtons::Ok(), Qt::Key_O, Qt::NoModifier, TAnswer::OK},
    {"Alt+Y", TButtons::YesNo(), Qt::Key_Y, Qt::AltModifier, TAnswer::Yes},
    {"Alt+O", TButtons::Ok(), Qt::Key_O, Qt::AltModifier, TAnswer::OK},
    {"O without an OK button", TButtons::YesNoCancel(), Qt::Key_O, Qt::NoModifier, std::nullopt},
    {"C without a Cancel button", TButtons::YesNo(), Qt::Key_C, Qt::NoModifier, std::nullopt},
    {"Ctrl+Y", TButtons::YesNo(), Qt::Key_Y, Qt::ControlModifier, std::nullopt},
    {"another letter", TButtons::YesNoCancel(), Qt::Key_X, Qt::NoModifier, std::nullopt},
};

TEST(MessageForm, LetterKeysAnswerWithoutAlt) {
  for (const TLetterCase& c : LetterCases) {
    SCOPED_TRACE(c.Name);
    TMessageForm form("Confirm", "Question", TMsgKind::Confirm, c.Buttons);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(QApplication::focusWidget(), c.Key, c.Modifiers);
    if (!c.Answer) {
      EXPECT_TRUE(form.isVisible());
      continue;
    }
    // Alt+letter is the button's own shortcut, which shows the press before it clicks.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 5000));
    EXPECT_EQ(form.Answer(), *c.Answer);
  }
}

TEST(MessageForm, AKeyHeldFromBeforeTheBoxAnswersNothing) {
  TMessageForm form("Confirm", "Question", TMsgKind::Confirm, TButtons::YesNo());
  form.show();
  QKeyEvent repeated(QEvent::KeyPress, Qt::Key_N, Qt::NoModifier, "n", true);
  QApplication::sendEvent(form.Buttons().front().second, &repeated);
  EXPECT_TRUE(form.isVisible());
}

// "Changes saved" came up 164 pixels wide, and a title bar with an icon and three buttons showed
// its title as "Info...ion".
TEST(MessageForm, BoxIsWideEnoughForItsTitle) {
  QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  titleFont.setBold(true);
  const QFontMetrics metrics(titleFont);
  for (const char* title : {"Error", "Information", "Confirm", "Tunemark"}) {
    SCOPED_TRACE(title);
    TMessageForm form(title, "Changes saved", TMsgKind::Information, TButtons::Ok());
    form.show();
    // Room for the text and, beside it, an icon and three buttons of at least 24 pixels.
    EXPECT_GE(form.width(), metrics.horizontalAdvance(title) + 4 * 24);
  }
}

}  // namespace
