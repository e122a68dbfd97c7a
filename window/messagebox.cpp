#include "window/messagebox.h"

#include <QFile>
#include <QGuiApplication>

#include "window/messageform.h"

namespace {

TMessageHook& Hook() {
  static TMessageHook hook;
  return hook;
}

TAnswer Show(const QString& caption, const QString& text, TMsgKind kind, TButtons buttons) {
  if (Hook()) return Hook()(caption, text, kind, buttons);
  // A box shown during a long operation gets the normal pointer back while it is open.
  const bool busy = QGuiApplication::overrideCursor() != nullptr;
  if (busy) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  TMessageForm form(caption, text, kind, buttons);
  form.exec();
  if (busy) QGuiApplication::restoreOverrideCursor();
  return form.Answer();
}

}  // namespace

TAnswer MessageDlg(const QString& text, TMsgKind kind, TButtons buttons) {
  return Show(KindCaption(kind), text, kind, buttons);
}

void ShowErrorBox(const QString& message) {
  QString text = message;
  if (!text.isEmpty() && text.back() > QLatin1Char('.')) text += QLatin1Char('.');
  Show(QStringLiteral("Tunemark"), text, TMsgKind::Error, TButtons::Ok());
}

void ShowCaughtError(const std::exception& error) {
  ShowErrorBox(QFile::decodeName(QByteArray(error.what())));
}

void RunUserAction(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    ShowCaughtError(error);
  } catch (...) {
    ShowErrorBox(QStringLiteral("Unknown error"));
  }
}

void SetMessageHook(TMessageHook hook) { Hook() = std::move(hook); }
