#pragma once

#include <QKeySequence>
#include <QWidget>
#include <memory>
#include <string>

#include "window/rowstore.h"

class QCheckBox;
class QPushButton;
class QFrame;
class TGrid;
class TDriveComboBox;
class THardDriveComboBox;
class TDirectoryListBox;
class TCommentForm;
class TFilterBar;
class TLegend;
class TTagTable;
class TFolderScan;
class THelpViewer;
class TAbout;
class TStatusText;

// The main window: the scan controls, the table, the colour legend, the status line and the
// Scan, Save and Close buttons. It owns the row store; scanning, editing and saving live in
// their own units and the handlers here only pass the user's actions on.
class TForm1 : public QWidget {
  Q_OBJECT

 public:
  static constexpr int MinWidth = 687;
  static constexpr int MinHeight = 206;
  // Keys that press the buttons, also named in their tooltips.
  static inline const QKeySequence SaveKey{Qt::CTRL | Qt::Key_S};
  static inline const QKeySequence ScanKey{Qt::Key_F5};
  static inline const QKeySequence HelpKey{Qt::Key_F1};
  static inline const QKeySequence FilterKey{Qt::CTRL | Qt::Key_F};

  TForm1();
  ~TForm1() override;

  // Shutdown after the event loop ended: hide, store the settings, free every tag object.
  void FormDestroy();

  // Controls, named as in the layout.
  QWidget* Panel1 = nullptr;
  QCheckBox* EntireDrive = nullptr;
  THardDriveComboBox* DriveCombo = nullptr;
  TDirectoryListBox* DirectoryList = nullptr;
  QCheckBox* ScanSubdirectories = nullptr;
  QPushButton* HelpBtn = nullptr;
  QPushButton* AboutBtn = nullptr;
  QWidget* Panel2 = nullptr;
  TGrid* Table = nullptr;
  TFilterBar* FilterBar = nullptr;  // hidden until Ctrl+F
  TLegend* Panel5 = nullptr;
  QWidget* Panel3 = nullptr;
  TStatusText* FileName = nullptr;
  QWidget* Panel4 = nullptr;
  QPushButton* ScanBtn = nullptr;
  QPushButton* SaveBtn = nullptr;
  QPushButton* CloseBtn = nullptr;

  TRowStore Store;
  TCommentForm* CommentForm = nullptr;  // owned by this window, created hidden
  // The remembered folder when it could not be opened at start (a disk that is not mounted), and
  // the folder the list opened in its place. While the list stays there, the remembered folder
  // is what the end stores, so that it is back once the disk is.
  std::string UnopenedScanDir, ScanDirInstead;
  TAbout* About = nullptr;  // set by the entry after the window exists

  TTagTable& Tags() { return *TagTable; }
  TFolderScan& Scanner() { return *FolderScan; }
  const QString& HelpFile() const { return FHelpFile; }

  // Handlers.
  void EntireDriveClick();
  void ScanBtnClick();
  void SaveBtnClick();
  void CloseBtnClick();
  bool FormCloseQuery();
  void HelpBtnClick();
  void AboutBtnClick();
  // Ctrl+Tab and Ctrl+Shift+Tab: the focus moves to the next or previous control, also out of
  // the table, where Tab moves between cells.
  void FocusKeyPress(bool forward);
  // Ctrl+F: opens the filter bar, or puts the focus back in it. Not while a scan fills the list.
  void FilterKeyPress();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CreateControls();
  void CreateShortcuts();
  void FormCreate();
  void PlaceAnchoredControls();
  void ReadSettings();
  void WriteSettings();

  QString FHelpFile;
  std::unique_ptr<TTagTable> TagTable;
  std::unique_ptr<TFolderScan> FolderScan;
  std::unique_ptr<THelpViewer> HelpViewer;
  bool Destroyed = false;
};
