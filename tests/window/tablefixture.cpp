#include "tablefixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "tests/common/typing.h"

TTableFixture::TTableFixture()
    : TagTable(Store, Table, CommentForm, [this](const QString& text) { StatusHistory << text; }),
      Scanner(Store, Table, [this](const QString& text) { StatusHistory << text; }) {
  Scanner.BeforeScan = [this] {
    if (!TagTable.AskToSave()) return false;
    TagTable.ResetView();
    return true;
  };
  TagTable.Scanning = [this] { return Scanner.Scanning(); };
  Table.resize(800, 400);
  Table.show();
  Table.activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&Table));
}

TTableFixture::~TTableFixture() = default;

std::string TTableFixture::AddFile(const std::string& name, const std::string& bytes) {
  const std::string path = Dir / name;
  WriteFileBytes(path, bytes);
  return path;
}

void TTableFixture::Scan(const std::string& folder) {
  Scanner.Scan(folder.empty() ? Dir.Path() : folder, TScanScope::Folder);
  QApplication::processEvents();
}

int TTableFixture::RowOf(const std::string& path) const {
  for (int row = 1; row <= Store.RowCount; ++row)
    if (Store.Tags[static_cast<std::size_t>(row)]->FullPath() == path) return row;
  ADD_FAILURE() << "not listed: " << path;
  return 0;
}

namespace {
QPoint CellCentre(const TGrid& table, int row, int column) {
  return table.visualRect(table.model()->index(row - 1, column)).center();
}
}  // namespace

void TTableFixture::ClickCell(int row, int column) {
  // A closed modal dialog may leave no window active; a person's click activates the table.
  if (!Table.isActiveWindow()) {
    Table.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&Table));
  }
  QTest::mouseClick(Table.viewport(), Qt::LeftButton, {}, CellCentre(Table, row, column));
}

void TTableFixture::DoubleClickCell(int row, int column) {
  ClickCell(row, column);
  QTest::mouseDClick(Table.viewport(), Qt::LeftButton, {}, CellCentre(Table, row, column));
}

void TTableFixture::Press(int key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &Table;
  QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

void TTableFixture::Type(const QString& text) { TypeText(&Table, text); }

QLineEdit* TTableFixture::Editor() const {
  return qobject_cast<QLineEdit*>(QApplication::focusWidget());
}

QString TTableFixture::CellText(int row, int column) const {
  return Table.model()->index(row - 1, column).data(Qt::DisplayRole).toString();
}

TCellAttributes TTableFixture::Attributes(int row) {
  TCellAttributes attrs;
  TagTable.TableGetCellAttributes(row, 0, attrs);
  return attrs;
}

std::function<bool()> TTableFixture::WhenCommentFormShows(std::function<void()> act) {
  auto ran = std::make_shared<bool>(false);
  auto* timer = new QTimer(&CommentForm);
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, &CommentForm, [this, timer, ran, act] {
    if (!CommentForm.isVisible()) return;
    timer->stop();
    timer->deleteLater();
    *ran = true;
    act();
  });
  timer->start();
  return [ran] { return *ran; };
}

std::unique_ptr<TMP3Tag> TTableFixture::ReadBack(const std::string& path) {
  auto tag = std::make_unique<TMP3Tag>();
  tag->ReadTag(path);
  return tag;
}
