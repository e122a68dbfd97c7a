#pragma once

#include "shell/displaysettings.h"

class TForm1;

// The main window's side of the stored display values: where each one is read from and
// applied to.
class TFormSettings : public TSettingsTarget {
 public:
  explicit TFormSettings(TForm1& form) : Form(form) {}

  int WindowLeft() const override;
  int WindowTop() const override;
  int WindowWidth() const override;
  int WindowHeight() const override;
  int CommentWidth() const override;
  int CommentHeight() const override;
  bool EntireDrive() const override;
  bool Subdirectories() const override;
  QString ScanDrive() const override;
  QString ScanDir() const override;
  int ColumnWidth(int column) const override;
  bool ColumnShown(int column) const override;

  void ApplyWindowLeft(int left) override;
  void ApplyWindowTop(int top) override;
  void ApplyWindowWidth(int width) override;
  void ApplyWindowHeight(int height) override;
  void ApplyCommentWidth(int width) override;
  void ApplyCommentHeight(int height) override;
  void ApplyEntireDrive(bool checked) override;
  void ApplySubdirectories(bool checked) override;
  void ApplyScanDrive(const QString& mountPoint) override;
  void ApplyScanDir(const QString& folder) override;
  void ApplyColumnWidth(int column, int width) override;
  void ApplyColumnShown(int column, bool shown) override;

 private:
  TForm1& Form;
};
