#include "window/commentform.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

TCommentForm::TCommentForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setWindowTitle(tr("Comment"));
  QFont arial(QStringLiteral("Arial"));
  arial.setPixelSize(12);
  setFont(arial);
  setMinimumSize(262, 155);
  resize(DefaultWidth, DefaultHeight);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setTabChangesFocus(true);

  Panel1 = new QWidget(this);
  Panel1->setFixedHeight(37);
  OKBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), tr("OK"), Panel1);
  CancelBtn =
      new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), tr("Cancel"), Panel1);
  for (QPushButton* button : {OKBtn, CancelBtn}) button->setFixedSize(75, 25);
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  // Cancel's right edge 5 px from the dialog's right edge, OK's 85 px: both keep their distance
  // to the bottom-right corner when the dialog is resized.
  auto* buttons = new QHBoxLayout(Panel1);
  buttons->setContentsMargins(0, 6, 5, 6);
  buttons->setSpacing(5);
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Memo1, 1);
  layout->addWidget(Panel1);
}

void TCommentForm::SetLines(const std::vector<std::string>& lines) {
  QStringList paragraphs;
  for (const std::string& line : lines) paragraphs << QString::fromStdString(line);
  Memo1->setPlainText(paragraphs.join(QLatin1Char('\n')));
  Memo1->moveCursor(QTextCursor::End);
}

std::vector<std::string> TCommentForm::Lines() const {
  // The raw text keeps every character as typed (the plain text would turn no-break spaces into
  // spaces); paragraphs are parted by U+2029, a Shift+Enter break is U+2028.
  QString raw = Memo1->document()->toRawText();
  raw.replace(QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator));
  std::vector<std::string> lines;
  for (const QString& paragraph : raw.split(QChar(QChar::ParagraphSeparator)))
    lines.push_back(paragraph.toStdString());
  return lines;
}

void TCommentForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Memo1->setFocus();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

int TCommentForm::ShowModal() {
  QEventLoop loop;
  const QMetaObject::Connection closed =
      connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
  qApp->installEventFilter(this);
  const auto restore = qScopeGuard([&] {
    qApp->removeEventFilter(this);
    disconnect(closed);
  });
  setResult(Rejected);
  show();
  activateWindow();  // the window system activates only a modal window of itself
  loop.exec(QEventLoop::DialogExec);
  return result();
}

bool TCommentForm::Contains(const QObject* object) const {
  for (; object; object = object->parent())
    if (object == this) return true;
  return false;
}

bool TCommentForm::eventFilter(QObject* watched, QEvent* event) {
  // A window's input reaches its widgets, and is taken there.
  if (qobject_cast<QWindow*>(watched) || Contains(watched)) return false;
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
      QCoreApplication::sendEvent(focusWidget() ? focusWidget() : Memo1, event);
      return true;
    case QEvent::ShortcutOverride:
      event->accept();  // no shortcut of another window: the key comes to the dialog
      return true;
    case QEvent::Close:
      event->ignore();
      return true;
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}
