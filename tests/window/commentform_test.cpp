#include "window/commentform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include "window/commentlines.h"

namespace {

// Runs `act` on the dialog once its modal loop runs, then returns exec()'s result.
int ExecWith(TCommentForm& form, const std::function<void()>& act) {
  QTimer::singleShot(0, &form, act);
  return form.exec();
}

void ExpectButtonsAtBottomRight(const TCommentForm& form) {
  const QRect ok(form.OKBtn->mapTo(&form, QPoint(0, 0)), form.OKBtn->size());
  const QRect cancel(form.CancelBtn->mapTo(&form, QPoint(0, 0)), form.CancelBtn->size());
  EXPECT_EQ(ok.size(), QSize(75, 25));
  EXPECT_EQ(cancel.size(), QSize(75, 25));
  // The strip is 37 px high; the buttons stand 6 px below its top.
  EXPECT_EQ(ok.top(), form.height() - 37 + 6);
  EXPECT_EQ(cancel.top(), ok.top());
  EXPECT_EQ(form.width() - (ok.right() + 1), 85);
  EXPECT_EQ(form.width() - (cancel.right() + 1), 5);
}

}  // namespace

TEST(CommentForm, LayoutFollowsTheBottomRightCorner) {
  TCommentForm form;
  EXPECT_EQ(form.windowTitle(), "Comment");
  EXPECT_EQ(form.minimumSize(), QSize(262, 155));
  EXPECT_EQ(form.size(), QSize(430, 178));
  EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(form.font().pixelSize(), 12);
  EXPECT_TRUE(form.OKBtn->isDefault());
  EXPECT_EQ(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(form.Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);

  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  ExpectButtonsAtBottomRight(form);
  const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((form.frameGeometry().center() - screenCentre).manhattanLength(), 2);

  form.resize(640, 300);
  QApplication::processEvents();
  ExpectButtonsAtBottomRight(form);
  form.resize(100, 100);  // held at the smallest size
  EXPECT_EQ(form.size(), QSize(262, 155));
}

TEST(CommentForm, EnterAndShiftEnterStartANewLineAndEscapeCancels) {
  TCommentForm form;
  form.SetLines({"abc"});
  const int result = ExecWith(form, [&] {
    form.Memo1->setFocus();
    form.Memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(form.Memo1, Qt::Key_Return);
    QTest::keyClicks(form.Memo1, "def");
    QTest::keyClick(form.Memo1, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(form.Memo1, "ghi");
    EXPECT_TRUE(form.isVisible()) << "Enter in the text area must not close the dialog";
    EXPECT_EQ(form.Lines(), (std::vector<std::string>{"abc", "def", "ghi"}));
    QTest::keyClick(form.Memo1, Qt::Key_Escape);
  });
  EXPECT_EQ(result, QDialog::Rejected);
}

TEST(CommentForm, OkAccepts) {
  TCommentForm form;
  EXPECT_EQ(ExecWith(form, [&] { QTest::mouseClick(form.OKBtn, Qt::LeftButton); }),
            QDialog::Accepted);
  EXPECT_EQ(ExecWith(form, [&] { QTest::mouseClick(form.CancelBtn, Qt::LeftButton); }),
            QDialog::Rejected);
}

// Loading a comment and reading it back without typing gives the same lines.
TEST(CommentForm, UntouchedCommentComesBackUnchanged) {
  const std::string comments[] = {
      "",
      "one line",
      "abc\ndef",
      "ends in LF\n",
      "\n\n",
      "CR\rand CR LF\r\nand\u2028separators\u2029too",
      "no-break\u00a0space and \u20ac and \u0081 \u65e5",
      std::string(200, 'w'),
  };
  TCommentForm form;
  for (const std::string& comment : comments) {
    SCOPED_TRACE(comment);
    form.SetLines(TextToLines(comment));
    EXPECT_EQ(LinesToText(form.Lines()), LinesToText(TextToLines(comment)));
  }
}

TEST(CommentForm, LinesAreParagraphsNotWrappedLines) {
  TCommentForm form;
  form.resize(262, 155);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  std::string longLine;
  while (longLine.size() < 200) longLine += "word ";
  longLine.resize(200);
  form.SetLines({longLine});
  QApplication::processEvents();
  ASSERT_GT(form.Memo1->document()->firstBlock().lineCount(), 1)
      << "the line should be wrapped on screen";
  EXPECT_EQ(form.Lines(), std::vector<std::string>{longLine});
}
