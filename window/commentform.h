#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

// The multi-line dialog for the comment of a version 2 tag: a word-wrapping text area above a
// strip with OK (the default) and Cancel (also Escape). No title-bar buttons; resizable, and
// centred on the screen whenever it is shown.
class TCommentForm : public QDialog {
  Q_OBJECT

 public:
  explicit TCommentForm(QWidget* parent = nullptr);

  // The text area's lines as UTF-8 texts. A line is what the area shows between two line
  // breaks, however it wraps the line on screen; a line break entered with Shift+Enter counts
  // too. Setting them puts the caret at the end of the text.
  void SetLines(const std::vector<std::string>& lines);
  std::vector<std::string> Lines() const;

  // Shows the dialog and returns once it is closed, with QDialog::Accepted or Rejected. The
  // program's other windows take no input meanwhile, as with exec(), but the keys the window
  // system still gives them until the dialog has the keyboard go to the dialog: a modal dialog
  // would have them dropped, and with them the letters typed right after the one that opened it.
  int ShowModal();

  QPlainTextEdit* Memo1 = nullptr;
  QWidget* Panel1 = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;

  static constexpr int DefaultWidth = 430, DefaultHeight = 178;

 protected:
  // Every opening gives the text area the keys, wherever the focus was when it was last left.
  void showEvent(QShowEvent* event) override;
  // While ShowModal runs: the other windows' keys come to the dialog, their other input is
  // dropped.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The dialog or anything inside it, its context menus included.
  bool Contains(const QObject* object) const;
};
