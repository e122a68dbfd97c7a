// The about box's layout, its OK button and the addresses it hands to the desktop.
#include "shell/about.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "shell/icon.h"
#include "shell/linklabel.h"

namespace {

// Catches what would go to the browser or the mail program.
class TUrlCatcher : public QObject {
  Q_OBJECT

 public:
  TUrlCatcher() {
    QDesktopServices::setUrlHandler("https", this, "Open");
    QDesktopServices::setUrlHandler("mailto", this, "Open");
  }
  ~TUrlCatcher() override {
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("mailto");
  }
  QList<QUrl> Opened;

 public slots:
  void Open(const QUrl& url) { Opened << url; }
};

TEST(AboutTest, WindowIsFixedWithMinimiseOnly) {
  TAbout about;
  EXPECT_EQ(about.windowTitle(), "About Tunemark");
  EXPECT_EQ(about.minimumSize(), QSize(298, 179));
  EXPECT_EQ(about.maximumSize(), QSize(298, 179));
  EXPECT_TRUE(about.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(about.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(about.font().pixelSize(), 11);
  EXPECT_FALSE(about.windowIcon().isNull());
}

TEST(AboutTest, CaptionsEndWhereTheValuesBegin) {
  TAbout about;
  struct TLine {
    QLabel* Caption;
    const char* CaptionText;
    QLabel* Value;
    const char* ValueText;
    int Y;
  };
  const TLine lines[] = {
      {about.Label2, "Version : ", about.VersionLabel, "1.3.3.0", 37},
      {about.Label1, "Author : ", about.Label6, "Tunemark contributors", 57},
      {about.Label3, "Homepage : ", about.HomepageLabel, "https://tunemark.example.org/", 96},
      {about.Label4, "E-mail : ", about.MailLabel, "tunemark@example.org", 116},
  };
  for (const TLine& line : lines) {
    SCOPED_TRACE(line.CaptionText);
    EXPECT_EQ(line.Caption->text(), line.CaptionText);
    EXPECT_EQ(line.Caption->geometry().right() + 1, 82);
    EXPECT_TRUE(line.Caption->alignment() & Qt::AlignRight);
    EXPECT_GE(line.Caption->width(), line.Caption->sizeHint().width());  // not clipped
    EXPECT_EQ(line.Caption->y(), line.Y);
    EXPECT_EQ(line.Value->text(), line.ValueText);
    EXPECT_EQ(line.Value->pos(), QPoint(82, line.Y));
  }
}

TEST(AboutTest, LinksLookLikeLinks) {
  TAbout about;
  for (QLabel* link :
       {static_cast<QLabel*>(about.HomepageLabel), static_cast<QLabel*>(about.MailLabel)}) {
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  }
  EXPECT_FALSE(about.Label6->font().underline());
}

TEST(AboutTest, BevelAndOkButtonSitAtTheBottom) {
  TAbout about;
  EXPECT_EQ(about.Bevel1->geometry(), QRect(0, 139, 297, 2));
  EXPECT_EQ(about.Bevel1->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(about.BitBtn1->geometry(), QRect(112, 148, 75, 25));
  EXPECT_EQ(about.BitBtn1->text(), "OK");
  EXPECT_FALSE(about.BitBtn1->icon().isNull());
  EXPECT_TRUE(about.BitBtn1->isDefault());
}

TEST(AboutTest, OkHasTheFocusAndEnterClosesTheBox) {
  TAbout about;
  about.open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  EXPECT_EQ(about.focusWidget(), about.BitBtn1);
  QTest::keyClick(&about, Qt::Key_Return);
  EXPECT_FALSE(about.isVisible());
  EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(AboutTest, ClicksHandTheAddressesToTheDesktop) {
  TUrlCatcher catcher;
  TAbout about;
  about.show();
  QTest::mouseClick(about.HomepageLabel, Qt::LeftButton);
  QTest::mouseClick(about.MailLabel, Qt::LeftButton);
  EXPECT_EQ(catcher.Opened, QList<QUrl>({QUrl("https://tunemark.example.org/"),
                                         QUrl("mailto:tunemark@example.org")}));
}

TEST(AboutTest, ProgramIconComesInEveryRenderedSize) {
  const QList<QSize> sizes = TunemarkIcon().availableSizes();
  for (const int size : {16, 32, 48, 64, 128, 256}) EXPECT_TRUE(sizes.contains(QSize(size, size)));
  EXPECT_FALSE(TunemarkIcon().pixmap(48).isNull());
}

}  // namespace

#include "about_test.moc"
