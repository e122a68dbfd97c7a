#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "grid/grid.h"
#include "scan/folderscan.h"
#include "tests/common/tempdir.h"
#include "window/commentform.h"
#include "window/rowstore.h"
#include "window/tagtable.h"

class QLineEdit;

// A shown table over a temporary folder, filled by the program's own folder scan with its event
// pump and wired as the main window wires it: the scan asks about unsaved edits first, and the
// tag layer's messages go to the message boxes.
class TTableFixture : public ::testing::Test {
 protected:
  TTableFixture();
  ~TTableFixture() override;

  // Writes a file into the folder and returns its path.
  std::string AddFile(const std::string& name, const std::string& bytes);
  // Scans the folder (without subfolders) as the Scan button does; the test's folder by default.
  void Scan(const std::string& folder = {});
  // The row listing the file of this path; 0 (and a failure) when none does.
  int RowOf(const std::string& path) const;

  // Person-like actions on the table.
  void ClickCell(int row, int column);
  void DoubleClickCell(int row, int column);
  void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  void Type(const QString& text);  // see TypeText
  QLineEdit* Editor() const;       // the in-cell editor that has the focus, if any
  QString CellText(int row, int column) const;
  TCellAttributes Attributes(int row);

  // Runs `act` once the comment dialog is open; returns whether it ran.
  std::function<bool()> WhenCommentFormShows(std::function<void()> act);

  TMP3Tag& Tag(int row) { return *Store.Tags[static_cast<std::size_t>(row)]; }
  // The tag of a file as a fresh read finds it.
  static std::unique_ptr<TMP3Tag> ReadBack(const std::string& path);

  TTempDir Dir;
  TRowStore Store;
  TGrid Table;
  TCommentForm CommentForm;
  QStringList StatusHistory;
  TTagTable TagTable;
  TFolderScan Scanner;
};
