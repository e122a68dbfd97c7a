#pragma once

#include <QString>
#include <exception>
#include <functional>

// The house message box: title and icon per kind, buttons always left to right Yes, No, OK,
// Cancel as present; default OK, else Yes; Escape gives Cancel, else No, else OK; the title-bar
// close gives Cancel, also where no Cancel button is shown. A carriage return starts a new
// line.
enum class TMsgKind { Error, Information, Confirm };
enum class TAnswer { Yes, No, OK, Cancel };

struct TButtons {
  bool Yes = false, No = false, OK = false, Cancel = false;
  static TButtons Ok() { return {false, false, true, false}; }
  static TButtons YesNo() { return {true, true, false, false}; }
  static TButtons YesNoCancel() { return {true, true, false, true}; }
};

// Shows a modal box centred on the screen and returns the answer.
TAnswer MessageDlg(const QString& text, TMsgKind kind, TButtons buttons);

// The error box for an error that escaped a user action: caption "Tunemark", error icon, OK, and
// the message with "." appended when its last character sorts above ".".
void ShowErrorBox(const QString& message);

// The error box for a caught error; its message carries file paths as native bytes.
void ShowCaughtError(const std::exception& error);

// The boundary of a user action: runs it, and shows an error that escapes it in the error box;
// the program goes on. Handlers of clicks and keys run their work through it, so that no error
// unwinds through the toolkit's delivery of the event, which would leave the toolkit's record of
// the pressed button or key half kept.
void RunUserAction(const std::function<void()>& action);

// Tests replace the real boxes with a scripted answerer; an empty function restores them.
// The hook sees the caption too, so the error box can be answered like the others.
using TMessageHook =
    std::function<TAnswer(const QString& caption, const QString& text, TMsgKind kind, TButtons)>;
void SetMessageHook(TMessageHook hook);
