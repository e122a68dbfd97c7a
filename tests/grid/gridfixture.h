#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "grid/grid.h"

// A shown grid of five columns over cell texts held by the test, with handlers that record their
// calls. Grid rows 1..Listed have storage; rows above have none.
class TGridTest : public ::testing::Test {
 protected:
  static constexpr int Columns = 5;
  static constexpr int YearColumn = 3;

  struct TEndEdit {
    QString Text;
    int Row;
    int Column;
  };

  void SetUp() override;
  void TearDown() override;

  // Gives rows 1..rows storage (cells "r<row>c<column>") and sets the grid to rows + 1.
  void List(int rows);
  QString Cell(int row, int column) const;
  void SetCell(int row, int column, const QString& text);
  QStringView Storage(int row, int column) const;

  // Keys go where a person's keys would: to the editor while one is open.
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  void Type(const QString& text);  // see TypeText
  void DoubleClick(int row, int column);
  void Click(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             Qt::MouseButton button = Qt::LeftButton);
  QPoint CellCentre(int row, int column) const;
  QLineEdit* Editor() const;
  std::pair<int, int> Active() const { return {Grid->ActiveRow(), Grid->ActiveColumn()}; }

  std::unique_ptr<QWidget> Window;
  TGrid* Grid = nullptr;
  QLineEdit* Other = nullptr;  // a second control to move the focus to

  bool AllowBegin = true;
  std::function<void()> DuringBeginEdit;
  std::function<void(QString& text, bool& allow)> DuringEndEdit;
  std::vector<std::pair<int, int>> BeginEdits;
  std::vector<TEndEdit> EndEdits;
  std::vector<int> Entered;

  std::vector<std::pair<int, int>> Stored;  // cells the grid handed an edit to

 private:
  std::vector<std::vector<std::u16string>> Cells;
};
