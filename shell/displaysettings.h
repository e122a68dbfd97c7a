#pragma once

#include <QString>

// The main window's position and size as designed: where a first start puts it.
namespace DesignGeometry {
constexpr int Left = 20, Top = 20, Width = 668, Height = 253;
}

// What the stored display values come from and go to: the main window, the comment dialog, the
// scan controls and the table's columns. The main window implements it. Each getter gives the
// current state; each Apply takes one stored value and may raise (a drive that cannot be
// entered, a folder that no longer exists), which stops the reading at that value.
class TSettingsTarget {
 public:
  virtual ~TSettingsTarget() = default;

  // The main window's position and size as they are, also when it is maximised.
  virtual int WindowLeft() const = 0;
  virtual int WindowTop() const = 0;
  virtual int WindowWidth() const = 0;
  virtual int WindowHeight() const = 0;
  virtual int CommentWidth() const = 0;
  virtual int CommentHeight() const = 0;
  virtual bool EntireDrive() const = 0;
  virtual bool Subdirectories() const = 0;
  // The drive chooser's drive, as its mount point.
  virtual QString ScanDrive() const = 0;
  // The folder the folder list has opened (not its highlighted entry).
  virtual QString ScanDir() const = 0;
  virtual int ColumnWidth(int column) const = 0;
  virtual bool ColumnShown(int column) const = 0;

  // Left and top are applied as stored, even off the screen, as far as the window's edges stay
  // countable; a width or height is limited to the available screen, and the window's minimum
  // size wins over a smaller one.
  virtual void ApplyWindowLeft(int left) = 0;
  virtual void ApplyWindowTop(int top) = 0;
  virtual void ApplyWindowWidth(int width) = 0;
  virtual void ApplyWindowHeight(int height) = 0;
  virtual void ApplyCommentWidth(int width) = 0;
  virtual void ApplyCommentHeight(int height) = 0;
  virtual void ApplyEntireDrive(bool checked) = 0;
  virtual void ApplySubdirectories(bool checked) = 0;
  // Never given an empty text; a mount point that names no listed drive keeps the current one.
  virtual void ApplyScanDrive(const QString& mountPoint) = 0;
  // Never given an empty text; opens the folder in the folder list. A folder that cannot be
  // entered raises an error that names it.
  virtual void ApplyScanDir(const QString& folder) = 0;
  virtual void ApplyColumnWidth(int column, int width) = 0;
  // The last column shown stays shown.
  virtual void ApplyColumnShown(int column, bool shown) = 0;
};

// Reads the display values of the section "Display data" in their fixed order and applies each
// at once: the window, the comment dialog, the scan controls, then each column's width and
// whether it is shown. A missing value takes its default: the design value, or for the drive and
// the folder what the target shows. An error of the store or of the target stops the reading at
// that value and is raised; the values after it keep what the target had. Only a drive or folder
// the target cannot go to stops nothing: its error is raised once every later value is applied.
void ReadDisplaySettings(TSettingsTarget& target);

// Writes all the values from the target's current state, every time, changed or not.
// Raises when the store cannot be written.
void WriteDisplaySettings(const TSettingsTarget& target);
