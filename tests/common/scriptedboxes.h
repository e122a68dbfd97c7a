#pragma once

#include <QString>
#include <deque>
#include <vector>

#include "window/messagebox.h"

// Answers message boxes from a script while it lives. Each expected box names its text and the
// answer to give; a box that was not expected, or that comes out of order, fails the test and is
// answered with Cancel (else OK). The destructor fails the test if an expected box never came.
class TScriptedBoxes {
 public:
  struct TBox {
    QString Text;
    TAnswer Answer;
    TMsgKind Kind;
  };

  TScriptedBoxes();
  ~TScriptedBoxes();

  // Expects a box with exactly this text (and kind) next.
  TScriptedBoxes& Expect(const QString& text, TAnswer answer, TMsgKind kind);
  // Expects a box whose text starts with this prefix.
  TScriptedBoxes& ExpectPrefix(const QString& prefix, TAnswer answer, TMsgKind kind);

  // Every box shown so far, in order.
  const std::vector<TBox>& Shown() const { return FShown; }
  int Pending() const { return static_cast<int>(FExpected.size()); }

 private:
  struct TExpected {
    QString Text;
    bool Prefix;
    TAnswer Answer;
    TMsgKind Kind;
  };
  std::deque<TExpected> FExpected;
  std::vector<TBox> FShown;
};
