#pragma once

#include <QDialog>
#include <vector>

#include "window/messagebox.h"

class QPushButton;

// The dialog behind MessageDlg and ShowErrorBox. It lays out its own buttons, because
// QDialogButtonBox and QMessageBox reorder them by desktop style, and decides the default,
// Escape and title-bar close answers itself. Each button's first letter is underlined and
// answers with or without Alt: Y, N, O, C. The box is wide enough for its whole title.
class TMessageForm : public QDialog {
  Q_OBJECT

 public:
  TMessageForm(const QString& caption, const QString& text, TMsgKind kind, TButtons buttons,
               QWidget* parent = nullptr);

  // The answer given so far; before any, the one Escape would give.
  TAnswer Answer() const { return FAnswer; }
  // The buttons from left to right, with the answer each gives.
  const std::vector<std::pair<TAnswer, QPushButton*>>& Buttons() const { return FButtons; }

  void reject() override;  // Escape

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Finish(TAnswer answer);

  TButtons FPresent;
  TAnswer FAnswer;
  std::vector<std::pair<TAnswer, QPushButton*>> FButtons;
};

// The caption of a box of this kind: "Error", "Information" or "Confirm".
QString KindCaption(TMsgKind kind);
