#include "window/messageform.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace {

TAnswer DefaultAnswer(TButtons b) {
  if (b.OK) return TAnswer::OK;
  if (b.Yes) return TAnswer::Yes;
  if (b.No) return TAnswer::No;
  return TAnswer::Cancel;
}

TAnswer EscapeAnswer(TButtons b) {
  if (b.Cancel) return TAnswer::Cancel;
  if (b.No) return TAnswer::No;
  if (b.OK) return TAnswer::OK;
  return DefaultAnswer(b);
}

QStyle::StandardPixmap KindIcon(TMsgKind kind) {
  switch (kind) {
    case TMsgKind::Error:
      return QStyle::SP_MessageBoxCritical;
    case TMsgKind::Information:
      return QStyle::SP_MessageBoxInformation;
    case TMsgKind::Confirm:
      return QStyle::SP_MessageBoxQuestion;
  }
  return QStyle::SP_MessageBoxInformation;
}

// How wide a title bar must be to show the whole title: the text in the bar's font, and beside
// it the window's icon and up to three buttons, each about as wide as the bar is high.
int TitleBarWidth(const QString& title, const QWidget& box) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  font.setBold(true);
  const QFontMetrics metrics(font);
  const int barHeight = std::max(box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box),
                                 metrics.height() + 8);
  return metrics.horizontalAdvance(title) + 4 * barHeight + 2 * metrics.averageCharWidth();
}

}  // namespace

QString KindCaption(TMsgKind kind) {
  switch (kind) {
    case TMsgKind::Error:
      return QStringLiteral("Error");
    case TMsgKind::Information:
      return QStringLiteral("Information");
    case TMsgKind::Confirm:
      return QStringLiteral("Confirm");
  }
  return {};
}

TMessageForm::TMessageForm(const QString& caption, const QString& text, TMsgKind kind,
                           TButtons buttons, QWidget* parent)
    : QDialog(parent), FPresent(buttons), FAnswer(EscapeAnswer(buttons)) {
  setWindowTitle(caption);
  setModal(true);

  auto* icon = new QLabel(this);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(KindIcon(kind), nullptr, this).pixmap(iconSize));
  icon->setAlignment(Qt::AlignTop);

  // A carriage return starts a new line; the text is never read as markup (paths may hold "<").
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"))
      .replace(QLatin1Char('\r'), QLatin1Char('\n'));
  auto* label = new QLabel(shown, this);
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addSpacing(12);
  top->addWidget(label, 1);

  auto* row = new QHBoxLayout;
  row->addStretch();
  const std::pair<bool, std::pair<TAnswer, QString>> order[] = {
      {buttons.Yes, {TAnswer::Yes, tr("&Yes")}},
      {buttons.No, {TAnswer::No, tr("&No")}},
      {buttons.OK, {TAnswer::OK, tr("&OK")}},
      {buttons.Cancel, {TAnswer::Cancel, tr("&Cancel")}},
  };
  const TAnswer byDefault = DefaultAnswer(buttons);
  for (const auto& [present, entry] : order) {
    if (!present) continue;
    auto* button = new QPushButton(entry.second, this);
    const TAnswer answer = entry.first;
    connect(button, &QPushButton::clicked, this, [this, answer] { Finish(answer); });
    if (answer == byDefault) button->setDefault(true);
    row->addWidget(button);
    FButtons.emplace_back(answer, button);
  }
  row->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addSpacing(8);
  layout->addLayout(row);
  layout->addStrut(TitleBarWidth(caption, *this));  // a box is never narrower than its title
  layout->setSizeConstraint(QLayout::SetFixedSize);

  for (const auto& [answer, button] : FButtons)
    if (answer == byDefault) button->setFocus();
}

void TMessageForm::Finish(TAnswer answer) {
  FAnswer = answer;
  done(QDialog::Accepted);
}

void TMessageForm::reject() { Finish(EscapeAnswer(FPresent)); }

void TMessageForm::keyPressEvent(QKeyEvent* event) {
  // The underlined letter of a button answers without Alt too. A held key that repeats was
  // pressed before the box came up and answers nothing.
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::ShiftModifier;
  if (mods == Qt::NoModifier && !event->isAutoRepeat()) {
    for (const auto& [answer, button] : FButtons) {
      const QKeySequence mnemonic = QKeySequence::mnemonic(button->text());
      if (!mnemonic.isEmpty() && mnemonic[0].key() == event->key()) {
        Finish(answer);
        return;
      }
    }
  }
  QDialog::keyPressEvent(event);
}

void TMessageForm::closeEvent(QCloseEvent* event) {
  // Closing from the title bar answers Cancel, also for a box without a Cancel button: at the
  // version 1 question that counts as "not No" and converts the tag.
  event->accept();
  Finish(TAnswer::Cancel);
}

void TMessageForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}
