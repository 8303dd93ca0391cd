// The program's entry: the main window, the chip dialog, then the event loop.
#include <QApplication>
#include <clocale>

#include "app/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tesmaro"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tesmaro"));
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  Tf f(StartOptionsFromArguments(args));
  f.show();
  return app.exec();
}
