#include "shell/form1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <functional>

#include "grid/grid.h"
#include "scan/directorylistbox.h"
#include "scan/folderscan.h"
#include "scan/harddrivecombobox.h"
#include "shell/about.h"
#include "shell/application.h"
#include "shell/displaysettings.h"
#include "shell/formsettings.h"
#include "shell/helpviewer.h"
#include "shell/icon.h"
#include "shell/statustext.h"
#include "window/commentform.h"
#include "window/filterbar.h"
#include "window/legend.h"
#include "window/messagebox.h"
#include "window/tagtable.h"

namespace {

// The layout was drawn on a client area this wide; controls anchored to the right edge keep
// their distance to it.
constexpr int DesignClientWidth = 679;
constexpr int Panel1Height = 33;
constexpr int Panel1HeightWithFolders = 113;

QPushButton* MakeButton(QWidget* parent, const QString& caption, const QIcon& icon, QRect rect) {
  auto* button = new QPushButton(icon, caption, parent);
  button->setGeometry(rect);
  return button;
}

// A key of the whole window. Window shortcuts wait while a modal dialog (the comment dialog, a
// message box) is open, and a cell editor keeps the keys it uses itself.
void AddShortcut(QWidget* window, const QKeySequence& key, std::function<void()> handler) {
  auto* shortcut = new QShortcut(key, window);
  QObject::connect(shortcut, &QShortcut::activated, window,
                   [handler = std::move(handler)] { RunUserAction(handler); });
}

// Connects a click to its handler inside the user-action boundary.
void OnClick(QAbstractButton* button, QObject* context, std::function<void()> handler) {
  QObject::connect(button, &QAbstractButton::clicked, context,
                   [handler = std::move(handler)] { RunUserAction(handler); });
}

// A button's tooltip names the key that presses it too: "Save (Ctrl+S)".
void ShowKeyInTooltip(QPushButton* button, const QString& name, const QKeySequence& key) {
  button->setToolTip(QStringLiteral("%1 (%2)").arg(name, key.toString(QKeySequence::NativeText)));
}

}  // namespace

TForm1::TForm1() {
  setWindowTitle("Tunemark");
  setWindowIcon(TunemarkIcon());
  QFont font("Arial");
  font.setPixelSize(12);
  setFont(font);
  setMinimumSize(MinWidth, MinHeight);
  // Design geometry; the stored settings replace it. The minimum size wins over its width.
  setGeometry(DesignGeometry::Left, DesignGeometry::Top, DesignGeometry::Width,
              DesignGeometry::Height);
  CreateControls();
  FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  Panel1 = new QWidget(this);
  Panel1->setFixedHeight(Panel1Height);
  EntireDrive = new QCheckBox("Scan entire drive", Panel1);
  EntireDrive->setGeometry(8, 8, 114, 17);
  EntireDrive->setChecked(true);
  DriveCombo = new THardDriveComboBox(Panel1);
  DriveCombo->setGeometry(145, 8, 145, 21);
  DirectoryList = new TDirectoryListBox(Panel1);
  DirectoryList->setGeometry(297, 8, 217, 100);
  DirectoryList->hide();
  DriveCombo->SetDirList(DirectoryList);
  ScanSubdirectories = new QCheckBox("Scan subdirectories", Panel1);
  ScanSubdirectories->setGeometry(8, 36, 129, 17);
  ScanSubdirectories->setChecked(true);
  ScanSubdirectories->hide();
  HelpBtn = MakeButton(Panel1, "&Help", ButtonIcon(TButtonImage::Help), {518, 4, 75, 25});
  AboutBtn = MakeButton(Panel1, "About ...", ButtonIcon(TButtonImage::About), {598, 4, 75, 25});
  layout->addWidget(Panel1);

  Panel2 = new QWidget(this);
  // The table gives way at the minimum size; the panels above and below keep their heights.
  Panel2->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
  auto* tableLayout = new QVBoxLayout(Panel2);
  tableLayout->setContentsMargins(0, 0, 0, 0);
  Table = new TGrid(Panel2);
  tableLayout->addWidget(Table);
  layout->addWidget(Panel2, 1);

  FilterBar = new TFilterBar(this);
  layout->addWidget(FilterBar);

  Panel5 = new TLegend(this);
  layout->addWidget(Panel5);

  Panel3 = new QWidget(this);
  Panel3->setFixedHeight(30);
  FileName = new TStatusText(Panel3);
  FileName->setGeometry(2, 6, 434, 18);
  Panel4 = new QWidget(Panel3);
  Panel4->setGeometry(DesignClientWidth - 243, 0, 243, 30);
  ScanBtn = MakeButton(Panel4, "Scan", ButtonIcon(TButtonImage::Scan), {5, 2, 75, 23});
  SaveBtn = MakeButton(Panel4, "Save", ButtonIcon(TButtonImage::Save), {84, 2, 75, 23});
  CloseBtn = MakeButton(Panel4, "Close", ButtonIcon(TButtonImage::Close), {163, 2, 75, 23});
  layout->addWidget(Panel3);

  setTabOrder(DriveCombo, EntireDrive);
  setTabOrder(EntireDrive, DirectoryList);
  setTabOrder(DirectoryList, ScanSubdirectories);
  setTabOrder(ScanSubdirectories, AboutBtn);
  setTabOrder(AboutBtn, HelpBtn);
  setTabOrder(HelpBtn, Table);
  setTabOrder(Table, FilterBar->Field);
  setTabOrder(FilterBar->Field, ScanBtn);
  setTabOrder(ScanBtn, SaveBtn);
  setTabOrder(SaveBtn, CloseBtn);

  connect(EntireDrive, &QCheckBox::toggled, this,
          [this] { RunUserAction([this] { EntireDriveClick(); }); });
  OnClick(ScanBtn, this, [this] { ScanBtnClick(); });
  OnClick(SaveBtn, this, [this] { SaveBtnClick(); });
  OnClick(CloseBtn, this, [this] { CloseBtnClick(); });
  OnClick(HelpBtn, this, [this] { HelpBtnClick(); });
  OnClick(AboutBtn, this, [this] { AboutBtnClick(); });
  CreateShortcuts();
}

void TForm1::CreateShortcuts() {
  // Tab moves between the cells inside the table; Ctrl+Tab moves the focus between controls,
  // out of the table and back.
  AddShortcut(this, SaveKey, [this] { SaveBtnClick(); });
  AddShortcut(this, ScanKey, [this] { ScanBtnClick(); });
  AddShortcut(this, HelpKey, [this] { HelpBtnClick(); });
  AddShortcut(this, FilterKey, [this] { FilterKeyPress(); });
  AddShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_Tab), [this] { FocusKeyPress(true); });
  AddShortcut(this, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
              [this] { FocusKeyPress(false); });
  ShowKeyInTooltip(SaveBtn, "Save", SaveKey);
  ShowKeyInTooltip(ScanBtn, "Scan", ScanKey);
  ShowKeyInTooltip(HelpBtn, "Help", HelpKey);
}

void TForm1::FormCreate() {
  // The row store starts with 50 empty entries, no rows, nothing shown and nothing changed.
  FHelpFile = QCoreApplication::applicationDirPath() + "/TUNEMARKHELP.HLP";
  CommentForm = new TCommentForm(this);
  // The save loop lets no events run, so the status line paints at once.
  const auto setStatus = [this](const QString& text) { FileName->ShowNow(text); };
  TagTable = std::make_unique<TTagTable>(Store, *Table, *CommentForm, setStatus);
  // Unsaved edits show as a "*" after the name, as editors show an unsaved document.
  TagTable->OnUnsavedChange = [this](bool unsaved) {
    setWindowTitle(unsaved ? QStringLiteral("Tunemark*") : QStringLiteral("Tunemark"));
  };
  FolderScan = std::make_unique<TFolderScan>(Store, *Table, setStatus);
  FolderScan->BeforeScan = [this] {
    if (!TagTable->AskToSave()) return false;
    // A new list starts in scan order, unfiltered.
    FilterBar->Close();
    TagTable->ResetView();
    return true;
  };
  TagTable->Scanning = [this] { return FolderScan->Scanning(); };
  FilterBar->OnFilterChange = [this](const QString& text) {
    RunUserAction([&] { TagTable->SetFilter(text); });
  };
  FilterBar->OnLeave = [this] { Table->setFocus(); };
  HelpViewer = std::make_unique<THelpViewer>();
  // A save that a crash cut short is finished before anything is read.
  try {
    TagTable->RecoverSaves();
  } catch (const std::exception& error) {
    ShowCaughtError(error);
  }
  try {
    ReadSettings();
  } catch (const std::exception& error) {
    ShowCaughtError(error);
  }
  EntireDriveClick();
}

void TForm1::FormDestroy() {
  if (Destroyed) return;
  Destroyed = true;
  hide();
  try {
    WriteSettings();
  } catch (const std::exception& error) {
    ShowCaughtError(error);
  }
  TagTable->ResetView();  // a sort still under way stops before the rows go
  for (auto& tag : Store.Tags) tag.reset();
  Store.Tags.clear();
  Store.Rows.clear();
  Store.RowCount = 0;
  HelpViewer->Quit(FHelpFile);
}

void TForm1::EntireDriveClick() {
  const bool folders = !EntireDrive->isChecked();
  DirectoryList->setVisible(folders);
  ScanSubdirectories->setVisible(DirectoryList->isVisibleTo(Panel1));
  Panel1->setFixedHeight(folders ? Panel1HeightWithFolders : Panel1Height);
}

void TForm1::ScanBtnClick() {
  // An entire drive is always scanned with its subfolders, whatever the hidden box says.
  if (EntireDrive->isChecked())
    FolderScan->Scan(DriveCombo->Drive(), TScanScope::EntireDrive);
  else
    FolderScan->Scan(DirectoryList->HighlightedPath(),
                     ScanSubdirectories->isChecked() ? TScanScope::FolderTree : TScanScope::Folder);
  // The scan emptied the list, and its unsaved edits with it.
  TagTable->ShowUnsaved();
}

void TForm1::SaveBtnClick() { TagTable->SaveBtnClick(); }

void TForm1::CloseBtnClick() { close(); }

bool TForm1::FormCloseQuery() { return TagTable->AskToSave(); }

void TForm1::HelpBtnClick() { HelpViewer->ShowTopic(FHelpFile, 1); }

void TForm1::AboutBtnClick() {
  if (About) About->exec();
}

void TForm1::FocusKeyPress(bool forward) {
  // A control reached from the keyboard shows its focus ring; Qt marks the window so for a Tab
  // key it handles itself, not for this shortcut.
  setAttribute(Qt::WA_KeyboardFocusChange);
  focusNextPrevChild(forward);
}

void TForm1::FilterKeyPress() {
  if (!FolderScan->Scanning()) FilterBar->Open();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FolderScan->Stop();
  event->accept();
  QCoreApplication::quit();
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceAnchoredControls();
}

void TForm1::PlaceAnchoredControls() {
  const int extra = width() - DesignClientWidth;
  HelpBtn->move(518 + extra, 4);
  AboutBtn->move(598 + extra, 4);
  FileName->resize(434 + extra, 18);
  Panel4->move(DesignClientWidth - 243 + extra, 0);
}

void TForm1::ReadSettings() {
  TFormSettings target(*this);
  ReadDisplaySettings(target);
}

void TForm1::WriteSettings() {
  const TFormSettings target(*this);
  WriteDisplaySettings(target);
}
