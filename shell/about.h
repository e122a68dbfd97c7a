#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class TLinkLabel;

// The about box: the program's version, its authors and their homepage and e-mail address.
// Created hidden at start and shown modally (exec) as often as the user asks.
class TAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TAbout(QWidget* parent = nullptr);

  // Controls, named as in the layout.
  QLabel* Label2 = nullptr;  // "Version : "
  QLabel* VersionLabel = nullptr;
  QLabel* Label1 = nullptr;  // "Author : "
  QLabel* Label6 = nullptr;
  QLabel* Label3 = nullptr;  // "Homepage : "
  TLinkLabel* HomepageLabel = nullptr;
  QLabel* Label4 = nullptr;  // "E-mail : "
  TLinkLabel* MailLabel = nullptr;
  QFrame* Bevel1 = nullptr;
  QPushButton* BitBtn1 = nullptr;

  // Opens the address exactly as shown.
  void HomepageLabelClick();
  // Starts a message to the address shown.
  void MailLabelClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CreateControls();
  void FormCreate();
};
