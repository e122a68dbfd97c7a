// The main window as a whole: layout and geometry, the error boundary, closing, and the stored
// settings across a restart.
#include "shell/form1.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <stdexcept>

#include "grid/grid.h"
#include "scan/directorylistbox.h"
#include "scan/harddrivecombobox.h"
#include "shell/application.h"
#include "tests/common/scriptedboxes.h"
#include "tests/common/testapplication.h"
#include "tests/shell/settingsfolder.h"
#include "window/commentform.h"
#include "window/legend.h"

std::unique_ptr<QApplication> MakeTestApplication(int& argc, char** argv) {
  return std::make_unique<TApplication>(argc, argv);
}

namespace {

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    UseStoreIn(Store);
    StartFolder = std::filesystem::current_path();
  }
  void TearDown() override { std::filesystem::current_path(StartFolder); }

  TTempDir Store;
  std::filesystem::path StartFolder;
};

TEST_F(Form1Test, FirstStartUsesTheDesignGeometryAndAnEmptyList) {
  TForm1 form;
  EXPECT_EQ(form.pos(), QPoint(20, 20));
  // The stored default width 668 is below the minimum.
  EXPECT_EQ(form.size(), QSize(687, 253));
  EXPECT_TRUE(form.EntireDrive->isChecked());
  EXPECT_FALSE(form.DirectoryList->isVisibleTo(&form));
  EXPECT_FALSE(form.ScanSubdirectories->isVisibleTo(&form));
  EXPECT_EQ(form.Panel1->height(), 33);
  EXPECT_EQ(form.Store.Length(), 50);
  EXPECT_EQ(form.Store.RowCount, 0);
  EXPECT_FALSE(form.Store.Changed);
  EXPECT_EQ(form.Table->RowLimit(), 2);
  EXPECT_TRUE(form.HelpFile().endsWith("/TUNEMARKHELP.HLP"));
  EXPECT_EQ(form.windowTitle(), "Tunemark");
  form.FormDestroy();
}

TEST_F(Form1Test, MinimumSizeHoldsAndAnchoredControlsFollowTheRightEdge) {
  TForm1 form;
  form.show();
  form.resize(500, 100);
  EXPECT_EQ(form.size(), QSize(687, 206));

  form.resize(900, 400);
  QApplication::processEvents();
  const int extra = 900 - 679;  // beyond the width the layout was drawn on
  EXPECT_EQ(form.HelpBtn->geometry(), QRect(518 + extra, 4, 75, 25));
  EXPECT_EQ(form.AboutBtn->geometry(), QRect(598 + extra, 4, 75, 25));
  EXPECT_EQ(form.FileName->geometry(), QRect(2, 6, 434 + extra, 18));
  EXPECT_EQ(form.Panel4->geometry().right(), 899);
  EXPECT_EQ(form.ScanBtn->geometry(), QRect(5, 2, 75, 23));
  EXPECT_EQ(form.CloseBtn->geometry(), QRect(163, 2, 75, 23));
  // Legend and status panels keep their height at the bottom; the table takes the rest.
  EXPECT_EQ(form.Panel5->height(), 30);
  EXPECT_EQ(form.Panel3->height(), 30);
  EXPECT_EQ(form.Panel3->geometry().bottom(), 399);
  EXPECT_EQ(form.Panel2->height(), 400 - 33 - 30 - 30);
  form.FormDestroy();
}

TEST_F(Form1Test, ScanEntireDriveSwitchesTheFolderControls) {
  TForm1 form;
  form.EntireDrive->click();
  EXPECT_TRUE(form.DirectoryList->isVisibleTo(&form));
  EXPECT_TRUE(form.ScanSubdirectories->isVisibleTo(&form));
  EXPECT_EQ(form.Panel1->height(), 113);
  form.EntireDrive->click();
  EXPECT_FALSE(form.DirectoryList->isVisibleTo(&form));
  EXPECT_EQ(form.Panel1->height(), 33);
  form.FormDestroy();
}

TEST_F(Form1Test, AnErrorInsideAClickIsShownAndTheProgramGoesOn) {
  TForm1 form;
  QObject::connect(form.AboutBtn, &QPushButton::clicked,
                   [] { throw std::runtime_error("Something broke"); });
  form.About = nullptr;
  {
    TScriptedBoxes boxes;
    boxes.Expect("Something broke.", TAnswer::OK, TMsgKind::Error);
    QTest::mouseClick(form.AboutBtn, Qt::LeftButton);
  }
  form.FormDestroy();
}

TEST_F(Form1Test, CloseWithUnsavedEditsAsksAndCancelKeepsTheWindowAndWritesNothing) {
  TForm1 form;
  form.show();
  form.Store.Changed = true;
  const QString question = "This will destroy your changes\rDo you want to save first";
  {
    TScriptedBoxes boxes;
    boxes.Expect(question, TAnswer::Cancel, TMsgKind::Confirm);
    form.CloseBtn->click();
  }
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(std::filesystem::exists(StoreFile(Store)));
  {
    TScriptedBoxes boxes;
    boxes.Expect(question, TAnswer::No, TMsgKind::Confirm);
    form.CloseBtn->click();
  }
  EXPECT_FALSE(form.isVisible());
  form.FormDestroy();
  EXPECT_TRUE(std::filesystem::exists(StoreFile(Store)));
}

TEST_F(Form1Test, CloseWithoutEditsDoesNotAsk) {
  TForm1 form;
  form.show();
  TScriptedBoxes boxes;  // any box fails the test
  form.CloseBtn->click();
  EXPECT_FALSE(form.isVisible());
  form.FormDestroy();
}

TEST_F(Form1Test, EverySettingSurvivesARestart) {
  TTempDir music;
  std::filesystem::create_directories(music / "rock");
  {
    TForm1 form;
    form.move(33, 44);
    form.resize(800, 400);
    form.CommentForm->resize(500, 300);
    form.EntireDrive->setChecked(false);
    form.ScanSubdirectories->setChecked(false);
    form.DirectoryList->SetDirectory(music / "rock");
    for (int column = 0; column < 5; ++column) form.Table->SetColumnWidth(column, 60 + column);
    form.FormDestroy();
  }
  std::filesystem::current_path(StartFolder);
  TForm1 form;
  EXPECT_EQ(form.pos(), QPoint(33, 44));
  EXPECT_EQ(form.size(), QSize(800, 400));
  EXPECT_EQ(form.CommentForm->size(), QSize(500, 300));
  EXPECT_FALSE(form.EntireDrive->isChecked());
  EXPECT_FALSE(form.ScanSubdirectories->isChecked());
  EXPECT_TRUE(form.DirectoryList->isVisibleTo(&form));
  EXPECT_EQ(form.Panel1->height(), 113);
  EXPECT_EQ(form.DirectoryList->Directory(), music / "rock");
  for (int column = 0; column < 5; ++column)
    EXPECT_EQ(form.Table->ColumnWidth(column), 60 + column);
  form.FormDestroy();
}

TEST_F(Form1Test, AStoredValueThatIsNotTextStopsTheReadingAtIt) {
  StoreRaw(Store, "Left=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\nWidth=900\nEntire%20Drive=0");
  TScriptedBoxes boxes;
  boxes.Expect("Invalid data type for 'Left'", TAnswer::OK, TMsgKind::Error);
  TForm1 form;
  EXPECT_EQ(form.width(), 687);
  EXPECT_TRUE(form.EntireDrive->isChecked());
  EXPECT_EQ(form.Panel1->height(), 33);
  form.FormDestroy();
}

TEST_F(Form1Test, AStoredFolderThatIsGoneIsReportedAndTheRestKeepsItsDesignValues) {
  StoreRaw(Store, "Entire%20Drive=0\nScanDir=/nonexistent/tunemark/folder\nCol%200=99\nWidth=700");
  TScriptedBoxes boxes;
  boxes.ExpectPrefix("", TAnswer::OK, TMsgKind::Error);
  TForm1 form;
  EXPECT_EQ(form.width(), 700);                 // read before the folder
  EXPECT_FALSE(form.EntireDrive->isChecked());  // read before the folder, and the layout follows
  EXPECT_EQ(form.Panel1->height(), 113);
  EXPECT_EQ(form.Table->ColumnWidth(0), 150);  // after the folder: design value
  form.FormDestroy();
}

TEST_F(Form1Test, AStoreThatCannotBeWrittenIsReportedAtExitAndShutdownCompletes) {
  TForm1 form;
  // A file where the store's folder should be.
  WriteFileBytes(Store / "Weldrake", "not a folder");
  TScriptedBoxes boxes;
  boxes.ExpectPrefix("", TAnswer::OK, TMsgKind::Error);
  form.FormDestroy();
  EXPECT_EQ(form.Store.Length(), 0);
}

}  // namespace
