// The main window as a whole: layout and geometry, the error boundary, closing, and the stored
// settings across a restart.
#include "shell/form1.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <ostream>
#include <stdexcept>

#include "grid/grid.h"
#include "scan/directorylistbox.h"
#include "scan/harddrivecombobox.h"
#include "shell/application.h"
#include "shell/helpviewer.h"
#include "shell/statustext.h"
#include "tags/journal.h"
#include "tests/common/scriptedboxes.h"
#include "tests/common/testapplication.h"
#include "tests/common/typing.h"
#include "tests/shell/settingsfolder.h"
#include "window/commentform.h"
#include "window/filterbar.h"
#include "window/legend.h"
#include "window/tagtable.h"

// Readable failure output for geometry.
void PrintTo(const QRect& r, std::ostream* out) {
  *out << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

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

  // Folder mode on a folder of untagged MP3 files with these names, highlighted for a scan.
  void ChooseFolderOf(TForm1& form, const TTempDir& folder,
                      std::initializer_list<const char*> files) {
    for (const char* name : files)
      WriteFileBytes(folder / name, std::string("\xff\xfb\x90\x00") + std::string(2000, '\0'));
    form.EntireDrive->setChecked(false);
    form.DirectoryList->SetDirectory(folder.Path());
  }

  TTempDir Store;
  std::filesystem::path StartFolder;
};

// Collects the Qt warnings of its lifetime.
class TQtWarnings {
 public:
  TQtWarnings() {
    Seen.clear();
    Previous = qInstallMessageHandler(&Collect);
  }
  ~TQtWarnings() { qInstallMessageHandler(Previous); }
  static inline QStringList Seen;

 private:
  static void Collect(QtMsgType type, const QMessageLogContext&, const QString& text) {
    // The offscreen platform notes once that it keeps no size hints; that is no fault of ours.
    if (type != QtDebugMsg && type != QtInfoMsg && !text.contains("propagateSizeHints"))
      Seen << text;
  }
  QtMessageHandler Previous;
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

TEST_F(Form1Test, AtTheMinimumSizeThePanelsKeepTheirHeightsAndTheTableGivesWay) {
  for (const bool entireDrive : {true, false}) {
    SCOPED_TRACE(entireDrive ? "entire drive" : "folder");
    TForm1 form;
    form.EntireDrive->setChecked(entireDrive);
    form.show();
    form.resize(TForm1::MinWidth, TForm1::MinHeight);
    QApplication::processEvents();
    const int top = entireDrive ? 33 : 113;
    EXPECT_EQ(form.Panel1->geometry(), QRect(0, 0, TForm1::MinWidth, top));
    if (!entireDrive) {
      EXPECT_EQ(form.DirectoryList->geometry().bottom(), 107);  // whole, inside the panel
    }
    EXPECT_EQ(form.Panel2->geometry(), QRect(0, top, TForm1::MinWidth, 206 - top - 60));
    EXPECT_EQ(form.Panel5->height(), 30);
    EXPECT_EQ(form.Panel3->geometry(), QRect(0, 176, TForm1::MinWidth, 30));
    form.FormDestroy();
  }
}

TEST_F(Form1Test, StartScanAndCloseRaiseNoQtWarning) {
  TTempDir music;
  TQtWarnings warnings;
  {
    TForm1 form;
    ChooseFolderOf(form, music, {"a.mp3", "b.mp3"});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.ScanBtn->click();
    QApplication::processEvents();
    form.Table->SetActiveRow(2);
    QApplication::processEvents();
    form.CloseBtn->click();
    form.FormDestroy();
  }
  EXPECT_TRUE(TQtWarnings::Seen.isEmpty()) << TQtWarnings::Seen.join('\n').toStdString();
}

TEST_F(Form1Test, StatusLineCutsALongPathInTheMiddle) {
  TForm1 form;
  form.show();
  const QString name = "the file name.mp3";
  const QString start = "/the/start/of/the/path";
  const QString path = start + QString("/folder").repeated(30) + "/" + name;
  form.FileName->ShowNow(path);
  EXPECT_EQ(form.FileName->text(), path);
  const QString shown = form.FileName->ShownText();
  EXPECT_TRUE(shown.startsWith(start)) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith(name)) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
  EXPECT_LT(form.FileName->fontMetrics().horizontalAdvance(shown), form.FileName->width());

  form.FileName->ShowNow(start);
  EXPECT_EQ(form.FileName->ShownText(), start);
  form.FormDestroy();
}

// The window shown and active, so that its keys reach it as a person's would.
void ShowActive(TForm1& form) {
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

// F5 scans, Ctrl+S finishes the cell edit and saves, F1 opens help; while the comment dialog
// has the keys, the window's keys wait.
TEST_F(Form1Test, ButtonKeysPressTheirButtonsAndTheTooltipsNameThem) {
  TTempDir music;
  TForm1 form;
  for (const auto& [button, tip] : {std::pair{form.SaveBtn, "Save (Ctrl+S)"},
                                    {form.ScanBtn, "Scan (F5)"},
                                    {form.HelpBtn, "Help (F1)"}})
    EXPECT_EQ(button->toolTip(), tip);
  ChooseFolderOf(form, music, {"a.mp3"});
  ShowActive(form);
  form.Table->setFocus();

  QTest::keyClick(form.Table, Qt::Key_F5);
  ASSERT_EQ(form.Store.RowCount, 1);
  QTest::keyClicks(form.Table, "N");  // starts the edit
  QTest::keyClicks(QApplication::focusWidget(), "ew");
  ASSERT_TRUE(form.Table->IsEditing());
  {
    TScriptedBoxes boxes;
    boxes.Expect("Changes saved", TAnswer::OK, TMsgKind::Information);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
  }
  const std::string bytes = ReadFileBytes(music / "a.mp3");
  EXPECT_EQ(bytes.substr(bytes.size() - 128, 6), std::string("TAGNew"));

  std::filesystem::remove(music / "a.mp3");  // a scan would empty the list
  {
    TScriptedBoxes boxes;  // a save would say "Nothing to change"
    QTimer::singleShot(0, form.CommentForm, [&] {
      // Also the keys the window system still gives the main window while the dialog opens.
      QTest::keyClick(form.windowHandle(), Qt::Key_F5);
      QTest::keyClick(form.CommentForm->Memo1, Qt::Key_F5);
      QTest::keyClick(form.CommentForm->Memo1, Qt::Key_S, Qt::ControlModifier);
      form.CommentForm->reject();
    });
    form.CommentForm->ShowModal();  // as the cell editing opens it
  }
  EXPECT_EQ(form.Store.RowCount, 1);

  ShowActive(form);
  QTest::keyClick(form.Table, Qt::Key_F1);
  const QWidgetList windows = QApplication::topLevelWidgets();
  EXPECT_TRUE(std::any_of(windows.begin(), windows.end(), [](const QWidget* w) {
    return qobject_cast<const THelpViewer*>(w) && w->isVisible();
  }));
  form.FormDestroy();
}

// Ctrl+F opens the filter bar over the legend with the keys in its field; what is typed narrows
// the list and the status line counts the rows shown; Enter gives the keys back to the table,
// where Ctrl+A selects the rows shown. Escape empties the field and closes the bar; so does a
// scan, which lists every file again.
TEST_F(Form1Test, CtrlFFiltersTheListAndEscapeEndsIt) {
  TTempDir music;
  TForm1 form;
  ChooseFolderOf(form, music, {"a rock.mp3", "b.mp3", "c rock.mp3", "d.mp3"});
  ShowActive(form);
  form.ScanBtn->click();
  ASSERT_EQ(form.Store.RowCount, 4);
  const auto settle = [&form] {
    QElapsedTimer clock;
    clock.start();
    while (form.Tags().GetView().IsWorking() && clock.elapsed() < 10000)
      QApplication::processEvents(QEventLoop::AllEvents, 5);
  };
  const auto press = [](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
  };

  press(Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(form.FilterBar->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), form.FilterBar->Field);
  EXPECT_EQ(form.FilterBar->geometry().bottom() + 1, form.Panel5->geometry().top());
  TypeText(form.FilterBar->Field, "ROCK");
  settle();
  EXPECT_EQ(form.Table->RowLimit(), 3);
  EXPECT_EQ(form.FileName->text(), "2 of 4 files shown");
  press(Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), form.Table);
  press(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(form.Table->SelectedRows(), std::vector<TRowSpan>({{1, 2}}));

  press(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(form.FilterBar->Field->selectedText(), "ROCK");
  press(Qt::Key_Escape);
  settle();
  EXPECT_FALSE(form.FilterBar->isVisible());
  EXPECT_EQ(form.FilterBar->Field->text(), "");
  EXPECT_EQ(form.Table->RowLimit(), 5);
  EXPECT_EQ(QApplication::focusWidget(), form.Table);

  press(Qt::Key_F, Qt::ControlModifier);
  TypeText(form.FilterBar->Field, "b.");
  settle();
  ASSERT_EQ(form.Table->RowLimit(), 2);
  press(Qt::Key_F5);
  EXPECT_FALSE(form.FilterBar->isVisible());
  EXPECT_EQ(form.Table->RowLimit(), 5);
  form.FormDestroy();
}

TEST_F(Form1Test, CtrlTabMovesTheFocusOutOfTheTableAndBackWhileTabStaysInside) {
  TForm1 form;
  enum { Table, Scan, Help };
  QWidget* const controls[] = {form.Table, form.ScanBtn, form.HelpBtn};
  const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
  const struct {
    int From;
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    int To;
    int Column;  // the table's active column afterwards; it starts at 1
  } cases[] = {
      {Table, Qt::Key_Tab, ctrl, Scan, 1},
      {Scan, Qt::Key_Backtab, ctrl | shift, Table, 1},
      {Table, Qt::Key_Backtab, ctrl | shift, Help, 1},
      {Help, Qt::Key_Tab, ctrl, Table, 1},
      {Table, Qt::Key_Tab, {}, Table, 2},
      {Table, Qt::Key_Backtab, shift, Table, 0},
  };
  ShowActive(form);
  for (const auto& c : cases) {
    SCOPED_TRACE(QKeySequence(c.Key | c.Modifiers).toString().toStdString());
    form.Table->setCurrentIndex(form.Table->model()->index(0, 1));
    controls[c.From]->setFocus();
    QTest::keyClick(controls[c.From], c.Key, c.Modifiers);
    EXPECT_EQ(QApplication::focusWidget(), controls[c.To]);
    EXPECT_EQ(form.Table->ActiveColumn(), c.Column);
  }
  form.FormDestroy();
}

// Ctrl+Tab reached the buttons without drawing their focus ring.
TEST_F(Form1Test, CtrlTabShowsTheFocusRingOfTheControlItReaches) {
  TForm1 form;
  ShowActive(form);
  form.Table->setFocus();
  const QImage unfocused = form.ScanBtn->grab().toImage();
  QTest::keyClick(form.Table, Qt::Key_Tab, Qt::ControlModifier);
  ASSERT_EQ(QApplication::focusWidget(), form.ScanBtn);
  EXPECT_NE(form.ScanBtn->grab().toImage(), unfocused);
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

// A folder that vanished since the list showed it: opening it shows the system's reason in the
// error box, the list stays where it was and the program goes on. The handler catches the error
// itself; the application's guard still catches one from anywhere else.
TEST_F(Form1Test, AnErrorInsideAClickIsShownAndTheProgramGoesOn) {
  TTempDir music;
  std::filesystem::create_directory(music / "gone");
  TForm1 form;
  form.EntireDrive->setChecked(false);
  form.show();
  TDirectoryListBox& list = *form.DirectoryList;
  list.SetDirectory(music.Path());
  const QRect gone = list.visualItemRect(list.item(list.count() - 1));
  std::filesystem::remove(music / "gone");
  {
    TScriptedBoxes boxes;
    boxes.Expect("No such file or directory.", TAnswer::OK, TMsgKind::Error);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, gone.center());
  }
  EXPECT_EQ(list.Directory(), music.Path());
  {
    TScriptedBoxes boxes;
    boxes.Expect("Something broke.", TAnswer::OK, TMsgKind::Error);
    QMetaObject::invokeMethod(
        &form, [] { throw std::runtime_error("Something broke"); }, Qt::QueuedConnection);
    QCoreApplication::processEvents();
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
    for (int column = 0; column < 8; ++column) form.Table->SetColumnWidth(column, 60 + column);
    form.Tags().SetColumnShown(2, false);
    form.Tags().SetColumnShown(6, true);
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
  for (int column = 0; column < 8; ++column) {
    EXPECT_EQ(form.Table->ColumnWidth(column), 60 + column);
    EXPECT_EQ(form.Table->IsColumnHidden(column), column == 2 || column == 5 || column == 7);
  }
  form.FormDestroy();
}

// The title carries a "*" while some edit is unsaved: not once it is taken back, saved or
// thrown away by a scan.
TEST_F(Form1Test, TheTitleShowsUnsavedEdits) {
  TTempDir music;
  TForm1 form;
  ChooseFolderOf(form, music, {"a.mp3"});
  form.ScanBtnClick();
  const auto edit = [&] {
    bool allow = true;
    form.Tags().TableBeginEdit(1, 1, QString(), allow);
    QString text = "Artist";
    form.Tags().TableEndEdit(text, 1, 1, allow);
  };
  edit();
  EXPECT_EQ(form.windowTitle(), "Tunemark*");
  form.Tags().Undo();
  EXPECT_EQ(form.windowTitle(), "Tunemark");
  edit();
  {
    TScriptedBoxes boxes;
    boxes.Expect("This will destroy your changes\rDo you want to save first", TAnswer::No,
                 TMsgKind::Confirm);
    form.ScanBtnClick();
  }
  EXPECT_EQ(form.windowTitle(), "Tunemark");
  form.FormDestroy();
}

// A save a crash cut short is finished at the next start; a file another program changed
// meanwhile is left as it is and named.
TEST_F(Form1Test, ASaveCutShortIsFinishedAtStartAndAFileChangedMeanwhileIsNamed) {
  TTempDir state, music;
  const QByteArray stateBefore = qgetenv("XDG_STATE_HOME");
  qputenv("XDG_STATE_HOME", QByteArray::fromStdString(state.Path()));
  const std::string finished = music / "finished.mp3", changed = music / "changed.mp3";
  std::vector<TFileChange> changes;
  for (const std::string& path : {finished, changed}) {
    WriteFileBytes(path, "old bytes of a song");
    struct stat st {};
    ::stat(path.c_str(), &st);
    changes.push_back({path, {st.st_dev, st.st_ino, false}, 19, 0, "old", "new"});
  }
  {
    TJournal cutShort(TJournal::DefaultFolder(), changes);  // never retired
  }
  WriteFileBytes(changed, "odd bytes of a song");
  {
    TScriptedBoxes boxes;
    boxes.ExpectPrefix(
        "A save cut short was finished. Another program changed this file "
        "meanwhile, so it was left as it is:\r" +
            QString::fromStdString(changed) + "\r",
        TAnswer::OK, TMsgKind::Information);
    TForm1 form;
    form.FormDestroy();
  }
  EXPECT_EQ(ReadFileBytes(finished), "new bytes of a song");
  EXPECT_EQ(ReadFileBytes(changed), "odd bytes of a song");
  qputenv("XDG_STATE_HOME", stateBefore);
}

// Sizes beyond the screen once opened a window of 32767 x 32767 pixels and were written back;
// positions near the integer limits overflowed in the geometry arithmetic.
TEST_F(Form1Test, StoredSizeIsLimitedToTheScreenAndPositionStaysAsStoredWhereCountable) {
  constexpr int Max = std::numeric_limits<int>::max();
  constexpr int Min = std::numeric_limits<int>::min();
  const QSize screen = QGuiApplication::primaryScreen()->availableVirtualSize();
  ASSERT_GE(screen.width(), TForm1::MinWidth);
  ASSERT_GE(screen.height(), TForm1::MinHeight);
  const QSize commentMin = TCommentForm().minimumSize();
  struct TCase {
    std::string Stored;
    QPoint Pos;  // expected; a coordinate of 0 stands for "far off, yet countable"
    QSize Size, Comment;
  };
  const TCase cases[] = {
      {"Left=-3000\nTop=5000", {-3000, 5000}, {687, 253}, {430, 178}},
      {"Width=99999\nHeight=99999\nCommentWidth=99999\nCommentHeight=99999",
       {20, 20},
       screen,
       screen},
      {"Left=2147483647\nTop=2147483647\nWidth=2147483647\nHeight=2147483647",
       {0, 0},
       screen,
       {430, 178}},
      {"Left=-2147483648\nTop=-2147483648\nWidth=-2147483648\nHeight=-2147483648\n"
       "CommentWidth=-2147483648\nCommentHeight=-2147483648",
       {0, 0},
       {687, 206},
       commentMin},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Stored);
    TTempDir dir;
    UseStoreIn(dir);
    StoreRaw(dir, c.Stored);
    {
      TForm1 form;
      form.show();
      QApplication::processEvents();
      EXPECT_EQ(form.size(), c.Size);
      EXPECT_EQ(form.CommentForm->size(), c.Comment);
      for (const auto& [got, expected] : {std::pair{form.x(), c.Pos.x()}, {form.y(), c.Pos.y()}}) {
        if (expected != 0) {
          EXPECT_EQ(got, expected);
        } else {
          // Still far off the screen, and the far edge, frame included, fits in an int.
          EXPECT_GT(std::abs(qint64(got)), Max / 2);
          EXPECT_LE(qint64(got) + QWIDGETSIZE_MAX, qint64(Max));
          EXPECT_GE(qint64(got) - QWIDGETSIZE_MAX, qint64(Min));
        }
      }
      form.FormDestroy();
    }
    // What was applied is written back, so the next start opens the same window.
    QSettings stored(QString::fromStdString(StoreFile(dir)), QSettings::IniFormat);
    stored.beginGroup("Display data");
    EXPECT_EQ(stored.value("Width").toString(), QString::number(c.Size.width()));
    EXPECT_EQ(stored.value("CommentHeight").toString(), QString::number(c.Comment.height()));
    if (c.Pos.x() != 0) {
      EXPECT_EQ(stored.value("Left").toString(), QString::number(c.Pos.x()));
    }
  }
  UseStoreIn(Store);
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

// A remembered folder on a USB disk that is not mounted: the start said only "No such file or
// directory.", left the column widths and the later values at their design values, and the end
// wrote those over the stored ones.
TEST_F(Form1Test, AStoredFolderThatIsGoneIsNamedTheListStartsAboveItAndNothingIsLost) {
  TTempDir media;
  const std::string usb = media / "usb/Music";
  for (const bool opensAnother : {false, true}) {
    SCOPED_TRACE(opensAnother);
    TTempDir dir;
    UseStoreIn(dir);
    StoreRaw(dir, "Entire%20Drive=0\nScanDir=" + usb + "\nCol%200=99\nWidth=700");
    {
      TScriptedBoxes boxes;
      boxes.Expect(QString::fromStdString("The folder " + usb +
                                          " cannot be opened: No such file or directory\rThe "
                                          "folder list starts at " +
                                          media.Path() + " instead."),
                   TAnswer::OK, TMsgKind::Error);
      TForm1 form;
      EXPECT_EQ(form.width(), 700);
      EXPECT_FALSE(form.EntireDrive->isChecked());
      EXPECT_EQ(form.Panel1->height(), 113);
      EXPECT_EQ(form.DirectoryList->Directory(), media.Path());
      EXPECT_EQ(form.Table->ColumnWidth(0), 99);  // read after the folder
      if (opensAnother) form.DirectoryList->SetDirectory(StartFolder);
      form.FormDestroy();
    }
    // The folder stays remembered for when the disk is back, unless another was opened.
    QSettings stored(QString::fromStdString(StoreFile(dir)), QSettings::IniFormat);
    stored.beginGroup("Display data");
    EXPECT_EQ(stored.value("ScanDir").toString().toStdString(),
              opensAnother ? StartFolder.string() : usb);
    EXPECT_EQ(stored.value("Col 0").toString(), "99");
    std::filesystem::current_path(StartFolder);
  }
  UseStoreIn(Store);
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
