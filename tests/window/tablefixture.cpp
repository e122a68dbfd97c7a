#include "tablefixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "tags/reporter.h"
#include "window/tagreport.h"

TTableFixture::TTableFixture()
    : TagTable(Store, Table, CommentForm, [this](const QString& text) { StatusHistory << text; }) {
  SetTagReporter(ShowTagReport);
  Table.resize(800, 400);
  Table.show();
  Table.activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&Table));
}

TTableFixture::~TTableFixture() { SetTagReporter({}); }

std::string TTableFixture::AddFile(const std::string& name, const std::string& bytes) {
  const std::string path = Dir / name;
  WriteFileBytes(path, bytes);
  return path;
}

void TTableFixture::Scan(const std::vector<std::string>& paths) {
  Store.RowCount = 0;
  Table.SetRowLimit(2);
  Store.Changed = false;
  for (const std::string& path : paths) {
    ++Store.RowCount;
    Store.GrowIfFull();
    auto& slot = Store.Tags[static_cast<std::size_t>(Store.RowCount)];
    if (!slot) slot = std::make_unique<TMP3Tag>();
    TagRow& row = Store.Rows[static_cast<std::size_t>(Store.RowCount)];
    try {
      slot->ReadTag(path);
      row.Fill(*slot, std::filesystem::path(path).filename().string());
    } catch (const std::exception&) {
      slot.reset();
      --Store.RowCount;
    }
  }
  if (Store.RowCount > 0) {
    Table.SetRowLimit(Store.RowCount + 1);
    Table.SetActiveRow(1);
    Table.setFocus();
    TagTable.ShowRowPath(1);
  }
  QApplication::processEvents();
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

// Key by key, each to the widget that has the focus then: the first key may open the editor.
void TTableFixture::Type(const QString& text) {
  for (const QChar ch : text) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &Table;
    QTest::keyClick(target, ch.toLatin1());
  }
}

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
