// The settings store's read and write rules, on a store kept in a temporary folder.
#include "shell/settingsstore.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QSettings>
#include <csignal>
#include <filesystem>
#include <functional>

#include "tests/shell/settingsfolder.h"

namespace {

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { UseStoreIn(Dir); }
  std::string ConfFolder() const { return Dir / "Weldrake"; }
  std::string ConfFile() const { return StoreFile(Dir); }

  TTempDir Dir;
};

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const TSettingsError& error) {
    return error.what();
  }
  return "no error";
}

struct TReadCase {
  const char* Line;  // the stored line; empty for a missing value
  const char* Text;  // ReadText with default "d"
  int Integer;       // ReadInteger with default 7
  bool BoolTrue;     // ReadBool with default true
  bool BoolFalse;    // ReadBool with default false
};

TEST_F(SettingsStoreTest, ReadsTextIntegerAndBooleanByTheRules) {
  const TReadCase cases[] = {
      {"", "d", 7, true, false},  // missing: the defaults
      {"Left=12", "12", 12, true, true},
      {"Left=-5", "-5", -5, true, true},  // negative numbers
      {"Left=0", "0", 0, false, false},
      {"Left=2", "2", 2, true, true},                       // any integer but 0 is true
      {"Left=x", "x", 7, true, false},                      // no integer: the default
      {"Left=99999999999", "99999999999", 7, true, false},  // out of range: the default
      {"Left=", "", 7, true, false},                        // no data: empty text
      {"Left=@Invalid()", "", 7, true, false},              // no data in any form: empty text
      {"Left=@ByteArray()", "", 7, true, false},
      {"Left=\"a, b\"", "a, b", 7, true, false},  // a quoted comma is text, not a list
      {"Left=@@at", "@at", 7, true, false},       // an escaped "@" is text
      {"Left=ab\\0cd", "ab", 7, true, false},     // text ends at its first NUL
  };
  for (const TReadCase& c : cases) {
    SCOPED_TRACE(c.Line);
    TTempDir dir;
    UseStoreIn(dir);
    if (*c.Line != '\0') StoreRaw(dir, c.Line);
    TSettingsStore store;
    EXPECT_EQ(store.ReadText("Display data", "Left", "d").toStdString(), c.Text);
    EXPECT_EQ(store.ReadInteger("Display data", "Left", 7), c.Integer);
    EXPECT_EQ(store.ReadBool("Display data", "Left", true), c.BoolTrue);
    EXPECT_EQ(store.ReadBool("Display data", "Left", false), c.BoolFalse);
  }
}

TEST_F(SettingsStoreTest, ValueNotStoredAsTextIsAnError) {
  const char* lines[] = {
      "Left=a, b",                                   // a list
      "Left=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x14)",  // a number type (int 20)
      "Left=@ByteArray(xy)",                         // bytes
  };
  for (const char* line : lines) {
    SCOPED_TRACE(line);
    TTempDir dir;
    UseStoreIn(dir);
    StoreRaw(dir, line);
    TSettingsStore store;
    EXPECT_EQ(ErrorOf([&] { store.ReadText("Display data", "Left", "d"); }),
              "Invalid data type for 'Left'");
    EXPECT_EQ(ErrorOf([&] { store.ReadInteger("Display data", "Left", 1); }),
              "Invalid data type for 'Left'");
    EXPECT_EQ(ErrorOf([&] { store.ReadBool("Display data", "Left", true); }),
              "Invalid data type for 'Left'");
  }
}

TEST_F(SettingsStoreTest, EveryValueIsWrittenAsPlainText) {
  StoreRaw(Dir, "Left=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x14)");  // replaced whatever its type
  {
    TSettingsStore store;
    store.WriteInteger("Display data", "Left", -5);
    store.WriteBool("Display data", "Entire Drive", true);
    store.WriteBool("Display data", "Subdirectories", false);
    store.WriteText("Display data", "ScanDir", "/music/a, b");
    store.WriteText("Display data", "ScanDrive", "@x");
    store.Close();
  }
  const std::string raw = ReadFileBytes(ConfFile());
  EXPECT_NE(raw.find("Left=-5\n"), std::string::npos) << raw;
  EXPECT_NE(raw.find("Entire%20Drive=1\n"), std::string::npos) << raw;
  EXPECT_NE(raw.find("Subdirectories=0\n"), std::string::npos) << raw;

  TSettingsStore again;
  EXPECT_EQ(again.ReadInteger("Display data", "Left", 0), -5);
  EXPECT_EQ(again.ReadText("Display data", "ScanDir", ""), "/music/a, b");
  EXPECT_EQ(again.ReadText("Display data", "ScanDrive", ""), "@x");
}

TEST_F(SettingsStoreTest, FolderThatCannotBeMadeFailsTheFirstWrite) {
  WriteFileBytes(ConfFolder(), "a file where the folder should be");
  TSettingsStore store;
  EXPECT_EQ(ErrorOf([&] { store.WriteInteger("Display data", "Left", 1); }),
            "Failed to create key Display data");
}

TEST_F(SettingsStoreTest, FileThatCannotBeWrittenFailsAtClose) {
  TSettingsStore store;
  store.WriteInteger("Display data", "Left", 1);
  // No file may grow: the write fails for root too.
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  const rlimit none{0, limit.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &none);
  const std::string error = ErrorOf([&] { store.Close(); });
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(error, "Failed to set data for 'Display data'");
}

// A FIFO would block the start forever; none of these is read, and none is written at the end.
TEST_F(SettingsStoreTest, StoreFileThatIsNoRegularFileIsReportedAndLeftAlone) {
  const std::function<void(const std::string&)> makers[] = {
      [](const std::string& path) { std::filesystem::create_directories(path); },
      [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
      [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); },
  };
  for (const auto& make : makers) {
    TTempDir dir;
    UseStoreIn(dir);
    std::filesystem::create_directories(dir / "Weldrake");
    const std::string file = StoreFile(dir);
    make(file);
    const auto type = std::filesystem::symlink_status(file).type();
    SCOPED_TRACE(static_cast<int>(type));
    EXPECT_EQ(ErrorOf([] { TSettingsStore store; }),
              "The settings file '" + file + "' is not a regular file");
    EXPECT_EQ(std::filesystem::symlink_status(file).type(), type);
  }
}

TEST_F(SettingsStoreTest, ReadingWritesNothing) {
  {
    TSettingsStore store;
    store.ReadInteger("Display data", "Left", 20);
    store.Close();
  }
  EXPECT_FALSE(std::filesystem::exists(ConfFile()));
}

}  // namespace
