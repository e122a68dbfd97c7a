// Reading and writing the display values through a fake main window.
#include "shell/displaysettings.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <ostream>
#include <stdexcept>

#include "shell/settingsstore.h"
#include "tests/shell/settingsfolder.h"

// Readable failure output for the lists of applied values.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

// Holds the state a main window would, and records every value applied, as "Name=value".
class TFakeTarget : public TSettingsTarget {
 public:
  int Left = 1, Top = 2, Width = 700, Height = 300, CommentW = 400, CommentH = 150;
  bool Entire = false, Subdirs = false;
  QString Drive = "/", Folder = "/home";
  int Columns[8] = {100, 101, 102, 103, 104, 105, 106, 107};
  bool Shown[8] = {true, true, true, true, true, false, false, false};
  int MinWidth = 0;       // the window's own minimum, when a test wants one
  QString FailingFolder;  // ApplyScanDir raises for this folder
  QStringList Applied;

  int WindowLeft() const override { return Left; }
  int WindowTop() const override { return Top; }
  int WindowWidth() const override { return Width; }
  int WindowHeight() const override { return Height; }
  int CommentWidth() const override { return CommentW; }
  int CommentHeight() const override { return CommentH; }
  bool EntireDrive() const override { return Entire; }
  bool Subdirectories() const override { return Subdirs; }
  QString ScanDrive() const override { return Drive; }
  QString ScanDir() const override { return Folder; }
  int ColumnWidth(int column) const override { return Columns[column]; }
  bool ColumnShown(int column) const override { return Shown[column]; }

  void ApplyWindowLeft(int v) override { Record("Left", Left = v); }
  void ApplyWindowTop(int v) override { Record("Top", Top = v); }
  void ApplyWindowWidth(int v) override {
    Record("Width", v);
    Width = std::max(v, MinWidth);
  }
  void ApplyWindowHeight(int v) override { Record("Height", Height = v); }
  void ApplyCommentWidth(int v) override { Record("CommentWidth", CommentW = v); }
  void ApplyCommentHeight(int v) override { Record("CommentHeight", CommentH = v); }
  void ApplyEntireDrive(bool v) override { Record("Entire Drive", Entire = v); }
  void ApplySubdirectories(bool v) override { Record("Subdirectories", Subdirs = v); }
  void ApplyScanDrive(const QString& v) override { Applied << "ScanDrive=" + (Drive = v); }
  void ApplyScanDir(const QString& v) override {
    if (v == FailingFolder) throw std::runtime_error("Input/output error");
    Applied << "ScanDir=" + (Folder = v);
  }
  void ApplyColumnWidth(int column, int v) override {
    Record(QString("Col %1").arg(column), Columns[column] = v);
  }
  void ApplyColumnShown(int column, bool v) override {
    Record(QString("Col %1 Shown").arg(column), Shown[column] = v);
  }

 private:
  void Record(const QString& name, int value) { Applied << name + "=" + QString::number(value); }
};

class DisplaySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { UseStoreIn(Dir); }
  // The stored value, which must be plain text.
  QString Stored(const QString& name) const {
    QSettings raw(QString::fromStdString(StoreFile(Dir)), QSettings::IniFormat);
    const QVariant value = raw.value("Display data/" + name);
    EXPECT_EQ(value.typeId(), QMetaType::QString) << name.toStdString();
    return value.toString();
  }

  TTempDir Dir;
};

// Track, Genre and File name are hidden at first; columns are shown before any is hidden.
const QStringList DefaultsApplied = {
    "Left=20",           "Top=20",         "Width=668",        "Height=253",    "CommentWidth=430",
    "CommentHeight=178", "Entire Drive=1", "Subdirectories=1", "ScanDrive=/",   "ScanDir=/home",
    "Col 0=150",         "Col 1=150",      "Col 2=150",        "Col 3=36",      "Col 4=150",
    "Col 5=40",          "Col 6=100",      "Col 7=150",        "Col 0 Shown=1", "Col 1 Shown=1",
    "Col 2 Shown=1",     "Col 3 Shown=1",  "Col 4 Shown=1",    "Col 5 Shown=0", "Col 6 Shown=0",
    "Col 7 Shown=0",
};

TEST_F(DisplaySettingsTest, EmptyStoreAppliesDefaultsThenAllAreWritten) {
  TFakeTarget target;
  ReadDisplaySettings(target);
  EXPECT_EQ(target.Applied, DefaultsApplied);

  WriteDisplaySettings(target);
  QStringList written;
  for (const QString& applied : DefaultsApplied) {
    const QString name = applied.section('=', 0, 0);
    written << name + "=" + Stored(name);
  }
  EXPECT_EQ(written, DefaultsApplied);
}

TEST_F(DisplaySettingsTest, StoredValuesAreAppliedByTheirRules) {
  struct TCase {
    const char* Line;
    const char* Applied;  // what reaches the target; nullptr when nothing of that name does
    const char* Name;
  };
  const TCase cases[] = {
      {"Width=500", "Width=500", "Width"},   // the minimum is the window's business
      {"Left=-3000", "Left=-3000", "Left"},  // applied as stored, off the screen too
      {"Entire%20Drive=0", "Entire Drive=0", "Entire Drive"},
      {"Entire%20Drive=abc", "Entire Drive=1", "Entire Drive"},
      {"Entire%20Drive=2", "Entire Drive=1", "Entire Drive"},
      {"Subdirectories=", "Subdirectories=1", "Subdirectories"},
      {"Col%203=60", "Col 3=60", "Col 3"},
      {"Col%206%20Shown=1", "Col 6 Shown=1", "Col 6 Shown"},
      {"Col%200%20Shown=0", "Col 0 Shown=0", "Col 0 Shown"},
      {"ScanDrive=/data", "ScanDrive=/data", "ScanDrive"},
      {"ScanDrive=", nullptr, "ScanDrive"},  // keeps the current drive
      {"ScanDir=", nullptr, "ScanDir"},      // leaves the folder list alone
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Line);
    TTempDir dir;
    UseStoreIn(dir);
    StoreRaw(dir, c.Line);
    TFakeTarget target;
    ReadDisplaySettings(target);
    ASSERT_EQ(target.Applied.size(), DefaultsApplied.size() - (c.Applied ? 0 : 1));
    const QStringList named =
        target.Applied.filter(QRegularExpression("^" + QRegularExpression::escape(c.Name) + "="));
    if (c.Applied)
      EXPECT_EQ(named, QStringList{c.Applied});
    else
      EXPECT_TRUE(named.isEmpty());
  }
}

TEST_F(DisplaySettingsTest, WritesWhatTheTargetReportsNotWhatWasStored) {
  StoreRaw(Dir, "Width=500");
  TFakeTarget target;
  target.MinWidth = 687;
  ReadDisplaySettings(target);
  WriteDisplaySettings(target);
  EXPECT_EQ(Stored("Width"), "687");
}

TEST_F(DisplaySettingsTest, NonTextLeftStopsTheReadingBeforeAnythingIsApplied) {
  StoreRaw(Dir, "Left=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x14)\nTop=99");
  TFakeTarget target;
  try {
    ReadDisplaySettings(target);
    FAIL() << "no error raised";
  } catch (const TSettingsError& error) {
    EXPECT_STREQ(error.what(), "Invalid data type for 'Left'");
  }
  EXPECT_TRUE(target.Applied.isEmpty());
}

// A folder on a disk that is not mounted once left the column widths at their design values,
// and the end wrote those over the stored ones.
TEST_F(DisplaySettingsTest, TargetErrorAtTheFolderIsRaisedOnceTheRestIsApplied) {
  StoreRaw(Dir, "ScanDir=/gone\nCol%200=80");
  TFakeTarget target;
  target.FailingFolder = "/gone";
  EXPECT_THROW(ReadDisplaySettings(target), std::runtime_error);
  QStringList applied = DefaultsApplied;
  applied.removeAll("ScanDir=/home");
  applied.replaceInStrings("Col 0=150", "Col 0=80");
  EXPECT_EQ(target.Applied, applied);
}

TEST_F(DisplaySettingsTest, StoreThatCannotBeWrittenRaisesAtTheEnd) {
  WriteFileBytes(Dir / "Weldrake", "a file where the folder should be");
  TFakeTarget target;
  try {
    WriteDisplaySettings(target);
    FAIL() << "no error raised";
  } catch (const TSettingsError& error) {
    EXPECT_STREQ(error.what(), "Failed to create key Display data");
  }
}

TEST_F(DisplaySettingsTest, EverySettingSurvivesARestart) {
  TFakeTarget before;
  before.Left = -40, before.Top = 900, before.Width = 1000, before.Height = 640;
  before.CommentW = 512, before.CommentH = 256, before.Entire = false, before.Subdirs = true;
  before.Drive = "/data", before.Folder = "/data/music/Ünïcode, with comma";
  for (int i = 0; i < 8; ++i) before.Columns[i] = 60 + i;
  before.Shown[1] = false, before.Shown[7] = true;
  WriteDisplaySettings(before);

  TFakeTarget after;
  ReadDisplaySettings(after);
  EXPECT_EQ(after.Applied,
            QStringList({"Left=-40",         "Top=900",
                         "Width=1000",       "Height=640",
                         "CommentWidth=512", "CommentHeight=256",
                         "Entire Drive=0",   "Subdirectories=1",
                         "ScanDrive=/data",  "ScanDir=/data/music/Ünïcode, with comma",
                         "Col 0=60",         "Col 1=61",
                         "Col 2=62",         "Col 3=63",
                         "Col 4=64",         "Col 5=65",
                         "Col 6=66",         "Col 7=67",
                         "Col 0 Shown=1",    "Col 2 Shown=1",
                         "Col 3 Shown=1",    "Col 4 Shown=1",
                         "Col 7 Shown=1",    "Col 1 Shown=0",
                         "Col 5 Shown=0",    "Col 6 Shown=0"}));
}

}  // namespace
