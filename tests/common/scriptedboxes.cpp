#include "scriptedboxes.h"

#include <gtest/gtest.h>

TScriptedBoxes::TScriptedBoxes() {
  SetMessageHook([this](const QString&, const QString& text, TMsgKind kind, TButtons buttons) {
    const TAnswer fallback = buttons.Cancel ? TAnswer::Cancel : TAnswer::OK;
    if (FExpected.empty()) {
      ADD_FAILURE() << "unexpected message box: " << text.toStdString();
      FShown.push_back({text, fallback, kind});
      return fallback;
    }
    const TExpected e = FExpected.front();
    FExpected.pop_front();
    const bool match = e.Prefix ? text.startsWith(e.Text) : text == e.Text;
    if (!match || e.Kind != kind) {
      ADD_FAILURE() << "message box \"" << text.toStdString() << "\" where \""
                    << e.Text.toStdString() << "\" was expected";
      FShown.push_back({text, fallback, kind});
      return fallback;
    }
    FShown.push_back({text, e.Answer, kind});
    return e.Answer;
  });
}

TScriptedBoxes::~TScriptedBoxes() {
  SetMessageHook({});
  for (const TExpected& e : FExpected)
    ADD_FAILURE() << "expected message box never came: " << e.Text.toStdString();
}

TScriptedBoxes& TScriptedBoxes::Expect(const QString& text, TAnswer answer, TMsgKind kind) {
  FExpected.push_back({text, false, answer, kind});
  return *this;
}

TScriptedBoxes& TScriptedBoxes::ExpectPrefix(const QString& prefix, TAnswer answer, TMsgKind kind) {
  FExpected.push_back({prefix, true, answer, kind});
  return *this;
}
