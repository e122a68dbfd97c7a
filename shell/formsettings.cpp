#include "shell/formsettings.h"

#include <QCheckBox>
#include <QFile>

#include "grid/grid.h"
#include "scan/directorylistbox.h"
#include "scan/harddrivecombobox.h"
#include "shell/form1.h"
#include "window/commentform.h"

namespace {

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString Shown(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
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
QString TFormSettings::ScanDir() const { return Shown(Form.DirectoryList->Directory()); }
int TFormSettings::ColumnWidth(int column) const { return Form.Table->ColumnWidth(column); }

void TFormSettings::ApplyWindowLeft(int left) { Form.move(left, Form.y()); }
void TFormSettings::ApplyWindowTop(int top) { Form.move(Form.x(), top); }
// resize() keeps to the minimum size, so a stored width below it opens at the minimum.
void TFormSettings::ApplyWindowWidth(int width) { Form.resize(width, Form.height()); }
void TFormSettings::ApplyWindowHeight(int height) { Form.resize(Form.width(), height); }
void TFormSettings::ApplyCommentWidth(int width) {
  Form.CommentForm->resize(width, Form.CommentForm->height());
}
void TFormSettings::ApplyCommentHeight(int height) {
  Form.CommentForm->resize(Form.CommentForm->width(), height);
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
  Form.DirectoryList->SetDirectory(Native(folder));
}

void TFormSettings::ApplyColumnWidth(int column, int width) {
  Form.Table->SetColumnWidth(column, width);
}
