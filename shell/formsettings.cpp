#include "shell/formsettings.h"

#include <QCheckBox>
#include <QFile>
#include <QScreen>
#include <algorithm>
#include <limits>
#include <stdexcept>

#include "grid/grid.h"
#include "scan/directorylistbox.h"
#include "scan/harddrivecombobox.h"
#include "scan/inouterror.h"
#include "shell/form1.h"
#include "window/commentform.h"

namespace {

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString Shown(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

// A stored position is applied as stored, far off the screen too, as long as the window's far
// edges stay countable: right = left + width - 1, and the frame around it, in an int. No window
// is wider or higher than QWIDGETSIZE_MAX, so this leaves room for both.
constexpr int PositionLimit = std::numeric_limits<int>::max() - 2 * QWIDGETSIZE_MAX;
int LimitedPosition(int stored) { return std::clamp(stored, -PositionLimit, PositionLimit); }

// The room a window has: the available area of the screens around the one it is placed on. A
// stored size beyond it would open a window nobody can see whole, and cost memory for every
// pixel of it.
QSize AvailableSize(const QWidget& window) {
  const QScreen* screen = window.screen();
  return screen ? screen->availableVirtualSize() : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}
int LimitedWidth(const QWidget& window, int stored) {
  return std::min(stored, AvailableSize(window).width());
}
int LimitedHeight(const QWidget& window, int stored) {
  return std::min(stored, AvailableSize(window).height());
}

}  // namespace

// Position is the frame's, as move() takes it; size is the window's own, as resize() takes it.
int TFormSettings::WindowLeft() const { return Form.x(); }
int TFormSettings::WindowTop() const { return Form.y(); }
int TFormSettings::WindowWidth() const { return Form.width(); }
int TFormSettings::WindowHeight() const { return Form.height(); }
int TFormSettings::CommentWidth() const { return Form.CommentForm->width(); }
int TFormSettings::CommentHeight() const { return Form.CommentForm->height(); }
bool TFormSettings::EntireDrive() const { return Form.EntireDrive->isChecked(); }
bool TFormSettings::Subdirectories() const { return Form.ScanSubdirectories->isChecked(); }
QString TFormSettings::ScanDrive() const { return Shown(Form.DriveCombo->Drive()); }
QString TFormSettings::ScanDir() const {
  const std::string& opened = Form.DirectoryList->Directory();
  const bool inPlace = !Form.UnopenedScanDir.empty() && opened == Form.ScanDirInstead;
  return Shown(inPlace ? Form.UnopenedScanDir : opened);
}
int TFormSettings::ColumnWidth(int column) const { return Form.Table->ColumnWidth(column); }
bool TFormSettings::ColumnShown(int column) const { return !Form.Table->IsColumnHidden(column); }

void TFormSettings::ApplyWindowLeft(int left) { Form.move(LimitedPosition(left), Form.y()); }
void TFormSettings::ApplyWindowTop(int top) { Form.move(Form.x(), LimitedPosition(top)); }
// resize() keeps to the minimum size, so a stored width below it opens at the minimum; the
// minimum also wins over a screen smaller than it.
void TFormSettings::ApplyWindowWidth(int width) {
  Form.resize(LimitedWidth(Form, width), Form.height());
}
void TFormSettings::ApplyWindowHeight(int height) {
  Form.resize(Form.width(), LimitedHeight(Form, height));
}
void TFormSettings::ApplyCommentWidth(int width) {
  TCommentForm& dialog = *Form.CommentForm;
  dialog.resize(LimitedWidth(dialog, width), dialog.height());
}
void TFormSettings::ApplyCommentHeight(int height) {
  TCommentForm& dialog = *Form.CommentForm;
  dialog.resize(dialog.width(), LimitedHeight(dialog, height));
}
void TFormSettings::ApplyEntireDrive(bool checked) { Form.EntireDrive->setChecked(checked); }
void TFormSettings::ApplySubdirectories(bool checked) {
  Form.ScanSubdirectories->setChecked(checked);
}

void TFormSettings::ApplyScanDrive(const QString& mountPoint) {
  const std::string drive = Native(mountPoint);
  // A drive that is not listed (gone, or never a fixed disk) keeps the current one.
  if (Form.DriveCombo->IndexOfDrive(drive) >= 0) Form.DriveCombo->SetDrive(drive);
}

void TFormSettings::ApplyScanDir(const QString& folder) {
  const std::string path = Native(folder);
  try {
    Form.DirectoryList->SetDirectoryOrNearest(path);
  } catch (const TInOutError& error) {
    Form.UnopenedScanDir = path;
    Form.ScanDirInstead = Form.DirectoryList->Directory();
    throw std::runtime_error("The folder " + path + " cannot be opened: " + error.what() +
                             "\rThe folder list starts at " + Form.ScanDirInstead + " instead");
  }
}

void TFormSettings::ApplyColumnWidth(int column, int width) {
  Form.Table->SetColumnWidth(column, width);
}

void TFormSettings::ApplyColumnShown(int column, bool shown) {
  Form.Table->SetColumnHidden(column, !shown);
}
