#include "tests/grid/gridfixture.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QTest>
#include <cstring>

namespace {
const std::vector<int> MaxLengths{255, 255, 255, 4, 255};
}

void TGridTest::SetUp() {
  Window = std::make_unique<QWidget>();
  auto* layout = new QHBoxLayout(Window.get());
  Grid = new TGrid;
  Other = new QLineEdit;
  Other->setFixedWidth(80);
  layout->addWidget(Grid);
  layout->addWidget(Other);
  Grid->SetColumns({"Title", "Artist", "Album", "Year", "Comment"}, {150, 150, 150, 36, 150},
                   MaxLengths);
  Grid->OnGetCellData = [this](int row, int column) { return Storage(row, column); };
  Grid->OnBeginEdit = [this](int row, int column, bool& allow) {
    BeginEdits.emplace_back(row, column);
    if (DuringBeginEdit) DuringBeginEdit();
    allow = AllowBegin;
  };
  Grid->OnEndEdit = [this](std::string& text, int row, int column, bool& allow) {
    EndEdits.push_back({text, row, column});
    if (DuringEndEdit) DuringEndEdit(text, allow);
  };
  Grid->OnEnteringRow = [this](int row) { Entered.push_back(row); };
  List(5);
  Window->resize(900, 300);
  Window->show();
  QApplication::setActiveWindow(Window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
  Grid->setFocus();
  Entered.clear();
}

void TGridTest::TearDown() {
  Window.reset();
  QApplication::processEvents();
}

void TGridTest::List(int rows) {
  Cells.assign(rows + 1, {});
  for (int row = 1; row <= rows; ++row) {
    for (int column = 0; column < Columns; ++column) {
      Cells[row].emplace_back(1 + MaxLengths[column]);
      SetCell(row, column, "r" + std::to_string(row) + "c" + std::to_string(column));
    }
  }
  Grid->SetRowLimit(rows + 1);
}

unsigned char* TGridTest::Storage(int row, int column) {
  if (row < 1 || row >= static_cast<int>(Cells.size()) || column < 0 || column >= Columns)
    return nullptr;
  return Cells[row][column].data();
}

std::string TGridTest::Cell(int row, int column) const {
  const auto& cell = Cells[row][column];
  return std::string(reinterpret_cast<const char*>(cell.data() + 1), cell[0]);
}

void TGridTest::SetCell(int row, int column, const std::string& text) {
  auto& cell = Cells[row][column];
  const std::size_t length = std::min(text.size(), cell.size() - 1);
  cell[0] = static_cast<unsigned char>(length);
  std::memcpy(cell.data() + 1, text.data(), length);
}

QLineEdit* TGridTest::Editor() const {
  // A closed editor is hidden at once and deleted later.
  for (QLineEdit* editor : Grid->findChildren<QLineEdit*>())
    if (editor->isVisible()) return editor;
  return nullptr;
}

void TGridTest::Key(int key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = QApplication::focusWidget();
  QTest::keyClick(target ? target : Grid, static_cast<Qt::Key>(key), modifiers);
}

void TGridTest::Type(const QString& text) {
  // Key by key: the first character opens the editor, which then takes the focus.
  for (const QChar c : text) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target ? target : Grid, c.toLatin1());
  }
}

void TGridTest::Click(int row, int column) {
  const QRect cell = Grid->visualRect(Grid->model()->index(row - 1, column));
  QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, cell.center());
}

void TGridTest::DoubleClick(int row, int column) {
  const QRect cell = Grid->visualRect(Grid->model()->index(row - 1, column));
  QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(Grid->viewport(), Qt::LeftButton, {}, cell.center());
}
