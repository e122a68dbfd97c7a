// The help window: a topic of a real help file, a missing file, and closing at the end.
#include "shell/helpviewer.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>

#include "tests/common/tempdir.h"

namespace {

// Three topics, each long enough that the later ones lie below the first screen.
std::string HelpFile() {
  std::string html = "<html><body>";
  for (const char* topic : {"1", "2", "3"}) {
    html += std::string("<h2><a name=\"") + topic + "\"></a>Topic " + topic + "</h2>";
    for (int i = 0; i < 60; ++i) html += "<p>Line " + std::to_string(i) + "</p>";
  }
  return html + "</body></html>";
}

class HelpViewerTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteFileBytes(File.toStdString(), HelpFile()); }

  TTempDir Dir;
  QString File = QString::fromStdString(Dir / "TUNEMARKHELP.HLP");
  THelpViewer Viewer;
};

TEST_F(HelpViewerTest, OpensTheFileAtTheTopic) {
  Viewer.ShowTopic(File, 1);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Viewer));
  EXPECT_EQ(Viewer.Browser()->source().toLocalFile(), File);
  EXPECT_EQ(Viewer.Browser()->source().fragment(), "1");
  EXPECT_TRUE(Viewer.Browser()->toPlainText().startsWith("Topic 1"));
  const int atFirst = Viewer.Browser()->verticalScrollBar()->value();

  Viewer.ShowTopic(File, 3);
  EXPECT_GT(Viewer.Browser()->verticalScrollBar()->value(), atFirst + 500);
}

TEST_F(HelpViewerTest, MissingFileIsReportedInTheWindow) {
  const QString missing = QString::fromStdString(Dir / "nothing.HLP");
  Viewer.ShowTopic(missing, 1);
  EXPECT_TRUE(Viewer.isVisible());
  const QString text = Viewer.Browser()->toPlainText();
  EXPECT_TRUE(text.contains("cannot be opened")) << text.toStdString();
  EXPECT_TRUE(text.contains(missing)) << text.toStdString();
}

TEST_F(HelpViewerTest, EscapeClosesTheWindow) {
  Viewer.ShowTopic(File, 1);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Viewer));
  QTest::keyClick(Viewer.Browser(), Qt::Key_Escape);
  EXPECT_FALSE(Viewer.isVisible());
}

TEST_F(HelpViewerTest, QuitClosesTheWindowOfThatFileOnly) {
  Viewer.Quit(File);  // never opened: nothing to do
  EXPECT_FALSE(Viewer.isVisible());
  Viewer.ShowTopic(File, 1);
  Viewer.Quit(File + ".other");
  EXPECT_TRUE(Viewer.isVisible());
  Viewer.Quit(File);
  EXPECT_FALSE(Viewer.isVisible());
}

}  // namespace
