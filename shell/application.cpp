#include "shell/application.h"

#include "tags/reporter.h"
#include "window/messagebox.h"
#include "window/tagreport.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Tunemark");
  setOrganizationName("Weldrake");
  // The tag layer reports a failed save through this.
  SetTagReporter(ShowTagReport);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowCaughtError(error);
  } catch (...) {
    ShowErrorBox("Unknown error");
  }
  return false;
}
