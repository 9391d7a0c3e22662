// Program entry: reads the command line and shows the main window.
#include <QApplication>
#include <cstdio>

#include "gui/app/command_line.h"
#include "gui/app/main_frame.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QString::fromLatin1(kCompanyName));
  QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));

  const CommandLine commandLine = ParseCommandLine(QApplication::arguments());
  if (!commandLine.error.isEmpty())
    std::fprintf(stderr, "wavedesk: %s\n", qPrintable(commandLine.error));

  CMainFrame frame;
  frame.show();
  return app.exec();
}
