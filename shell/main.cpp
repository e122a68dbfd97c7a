// Tunemark's entry: the application, the main window, the about box, the event loop, shutdown.
#include <memory>

#include "shell/about.h"
#include "shell/application.h"
#include "shell/form1.h"
#include "window/messagebox.h"

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  auto form = std::make_unique<TForm1>();
  auto about = std::make_unique<TAbout>();
  form->About = about.get();
  form->show();
  const int result = app.exec();
  try {
    form->FormDestroy();
  } catch (const std::exception& error) {
    ShowCaughtError(error);
  }
  return result;
}
