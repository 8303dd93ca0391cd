// The program's entry: the main window, the chip dialog, then the event loop.
#include <QApplication>
#include <clocale>
#include <iostream>

#include "app/dark_palette.h"
#include "app/main_window.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  TStartOptions options = StartOptionsFromArguments(args);
  // Answered on the terminal, before a display is needed.
  if (options.Help || options.Version) {
    std::cout << (options.Help ? StartUsageText() : StartVersionText());
    return 0;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tesmaro"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tesmaro"));
  if (options.Dark) UseDarkColours();
  TMainWindow f(options);
  f.show();
  return app.exec();
}
