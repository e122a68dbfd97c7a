#include "shell/application.h"

#include "window/messagebox.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Tunemark");
  setOrganizationName("Weldrake");
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
