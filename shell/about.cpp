#include "shell/about.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "shell/icon.h"
#include "shell/linklabel.h"
#include "shell/shellopen.h"
#include "shell/versiontext.h"

namespace {

// Captions end here and the values begin here.
constexpr int ValueX = 82;
constexpr int LineHeight = 13;

// A caption that ends at the values' edge. Its design x fits the design font; a wider font
// moves its start to the left rather than clipping it.
QLabel* Caption(const QString& text, int x, int y, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  const int width = std::max(ValueX - x, label->sizeHint().width());
  label->setGeometry(ValueX - width, y, width, LineHeight);
  return label;
}

template <typename TLabelClass>
TLabelClass* Value(const QString& text, int y, QWidget* parent) {
  auto* label = new TLabelClass(text, parent);
  label->move(ValueX, y);
  label->resize(label->sizeHint().width(), LineHeight);
  return label;
}

}  // namespace

TAbout::TAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
  setWindowTitle("About Tunemark");
  setWindowIcon(TunemarkIcon());
  QFont font("Arial");
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  setFont(font);
  setFixedSize(298, 179);
  CreateControls();
  FormCreate();
}

void TAbout::CreateControls() {
  Label2 = Caption("Version : ", 37, 37, this);
  VersionLabel = Value<QLabel>(QString(), 37, this);
  Label1 = Caption("Author : ", 41, 57, this);
  Label6 = Value<QLabel>("Tunemark contributors", 57, this);
  Label3 = Caption("Homepage : ", 20, 96, this);
  HomepageLabel = Value<TLinkLabel>("https://tunemark.example.org/", 96, this);
  Label4 = Caption("E-mail : ", 44, 116, this);
  MailLabel = Value<TLinkLabel>("tunemark@example.org", 116, this);

  Bevel1 = new QFrame(this);
  Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  Bevel1->setGeometry(0, 139, 297, 2);

  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
  BitBtn1->setGeometry(112, 148, 75, 25);
  BitBtn1->setDefault(true);
  BitBtn1->setFocus();

  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(HomepageLabel, &TLinkLabel::clicked, this, &TAbout::HomepageLabelClick);
  connect(MailLabel, &TLinkLabel::clicked, this, &TAbout::MailLabelClick);
}

void TAbout::FormCreate() {
  VersionLabel->setText(VersionText(ProgramVersion()));
  VersionLabel->resize(VersionLabel->sizeHint().width(), LineHeight);
}

void TAbout::HomepageLabelClick() { ShellOpen(HomepageLabel->text()); }

void TAbout::MailLabelClick() { ShellOpen("mailto:" + MailLabel->text()); }

void TAbout::showEvent(QShowEvent* event) {
  const QScreen* screen = this->screen();
  if (screen != nullptr) move(screen->availableGeometry().center() - rect().center());
  BitBtn1->setFocus();
  QDialog::showEvent(event);
}
