#pragma once

#include <QApplication>

// The application object. An error that escapes a user action, or the creation or destruction
// of a window, stops at the event-loop boundary: it is shown in the error box and the program
// goes on. The handlers catch their own errors first (RunUserAction); this is the last guard.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
};
