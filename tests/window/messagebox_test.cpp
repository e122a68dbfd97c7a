#include "window/messagebox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "tests/common/scriptedboxes.h"
#include "window/messageform.h"

namespace {

struct TButtonCase {
  const char* Name;
  TButtons Buttons;
  std::vector<TAnswer> Order;  // left to right
  TAnswer Default, Escape, Close;
};

const TButtonCase ButtonCases[] = {
    {"Ok", TButtons::Ok(), {TAnswer::OK}, TAnswer::OK, TAnswer::OK, TAnswer::Cancel},
    {"YesNo",
     TButtons::YesNo(),
     {TAnswer::Yes, TAnswer::No},
     TAnswer::Yes,
     TAnswer::No,
     TAnswer::Cancel},
    {"YesNoCancel",
     TButtons::YesNoCancel(),
     {TAnswer::Yes, TAnswer::No, TAnswer::Cancel},
     TAnswer::Yes,
     TAnswer::Cancel,
     TAnswer::Cancel},
    {"All",
     {true, true, true, true},
     {TAnswer::Yes, TAnswer::No, TAnswer::OK, TAnswer::Cancel},
     TAnswer::OK,
     TAnswer::Cancel,
     TAnswer::Cancel},
    {"OkCancel",
     {false, false, true, true},
     {TAnswer::OK, TAnswer::Cancel},
     TAnswer::OK,
     TAnswer::Cancel,
     TAnswer::Cancel},
};

class MessageFormButtons : public ::testing::TestWithParam<TButtonCase> {};

TEST_P(MessageFormButtons, OrderDefaultEscapeAndClose) {
  const TButtonCase& c = GetParam();
  {
    TMessageForm form("Confirm", "Question", TMsgKind::Confirm, c.Buttons);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    std::vector<TAnswer> order;
    int lastX = -1;
    for (const auto& [answer, button] : form.Buttons()) {
      order.push_back(answer);
      const int x = button->mapTo(&form, QPoint(0, 0)).x();
      EXPECT_GT(x, lastX) << "buttons must stand left to right in the listed order";
      lastX = x;
      EXPECT_EQ(button->isDefault(), answer == c.Default);
    }
    EXPECT_EQ(order, c.Order);

    QTest::keyClick(&form, Qt::Key_Return);  // Enter presses the default button
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.Answer(), c.Default);
  }
  {
    TMessageForm form("Confirm", "Question", TMsgKind::Confirm, c.Buttons);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.Answer(), c.Escape);
  }
  {
    TMessageForm form("Confirm", "Question", TMsgKind::Confirm, c.Buttons);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.close();  // as the title bar's close button does
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.Answer(), c.Close);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, MessageFormButtons, ::testing::ValuesIn(ButtonCases),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace

TEST(MessageForm, CarriageReturnStartsANewLineAndTextIsPlain) {
  TMessageForm form("Error", "first\rsecond <b>", TMsgKind::Error, TButtons::Ok());
  bool found = false;
  for (const QLabel* label : form.findChildren<QLabel*>()) {
    if (label->text().isEmpty()) continue;
    EXPECT_EQ(label->text(), "first\nsecond <b>");
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    found = true;
  }
  EXPECT_TRUE(found);
}

TEST(MessageForm, ClickingAButtonGivesItsAnswer) {
  TMessageForm form("Confirm", "Question", TMsgKind::Confirm, TButtons::YesNoCancel());
  form.show();
  form.Buttons()[1].second->click();
  EXPECT_EQ(form.Answer(), TAnswer::No);
}

TEST(MessageDlg, RealBoxIsTitledByKindCentredAndModal) {
  struct {
    TMsgKind Kind;
    const char* Title;
  } const kinds[] = {{TMsgKind::Error, "Error"},
                     {TMsgKind::Information, "Information"},
                     {TMsgKind::Confirm, "Confirm"}};
  for (const auto& k : kinds) {
    QString title;
    QPoint centre;
    QTimer::singleShot(0, [&] {
      QWidget* box = QApplication::activeModalWidget();
      ASSERT_NE(box, nullptr);
      title = box->windowTitle();
      centre = box->frameGeometry().center();
      QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(MessageDlg("Text", k.Kind, TButtons::YesNoCancel()), TAnswer::Cancel);
    EXPECT_EQ(title, k.Title);
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((centre - screenCentre).manhattanLength(), 2);
  }
}

TEST(MessageDlg, HookSeesCaptionTextKindAndButtons) {
  QString caption;
  TButtons seen;
  SetMessageHook([&](const QString& c, const QString&, TMsgKind, TButtons b) {
    caption = c;
    seen = b;
    return TAnswer::No;
  });
  EXPECT_EQ(MessageDlg("Sure?", TMsgKind::Confirm, TButtons::YesNo()), TAnswer::No);
  SetMessageHook({});
  EXPECT_EQ(caption, "Confirm");
  EXPECT_TRUE(seen.Yes && seen.No && !seen.OK && !seen.Cancel);
}

TEST(ErrorBox, AppendsAFullStopWhenTheLastCharacterSortsAbove) {
  struct {
    const char* Message;
    const char* Shown;
  } const cases[] = {
      {"Disk full", "Disk full."}, {"Done.", "Done."},
      {"Really!", "Really!"},                                    // '!' sorts below '.'
      {"Ends in -", "Ends in -"},  {"Ends in /", "Ends in /."},  // '/' sorts just above '.'
      {"Count 3", "Count 3."},     {"", ""},
  };
  for (const auto& c : cases) {
    QString caption, text;
    TMsgKind kind = TMsgKind::Information;
    TButtons buttons;
    SetMessageHook([&](const QString& cap, const QString& t, TMsgKind k, TButtons b) {
      caption = cap;
      text = t;
      kind = k;
      buttons = b;
      return TAnswer::OK;
    });
    ShowErrorBox(c.Message);
    SetMessageHook({});
    EXPECT_EQ(caption, "Tunemark");
    EXPECT_EQ(text, c.Shown);
    EXPECT_EQ(kind, TMsgKind::Error);
    EXPECT_TRUE(buttons.OK && !buttons.Yes && !buttons.No && !buttons.Cancel);
  }
}
