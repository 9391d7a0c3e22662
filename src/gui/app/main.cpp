// Program entry: the command line, then the application's start-up.
#include <QApplication>
#include <cstdio>

#include "gui/app/artwork.h"
#include "gui/app/command_line.h"
#include "gui/app/main_frame.h"
#include "gui/app/resource_ids.h"
#include "gui/app/wavedesk_app.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QString::fromLatin1(kCompanyName));
  QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
  QApplication::setWindowIcon(ArtworkIcon(IDR_MAINFRAME));

  const CommandLine commandLine = ParseCommandLine(QApplication::arguments());
  if (!commandLine.error.isEmpty()) std::fprintf(stderr, "wavedesk: %s\n", qPrintable(commandLine.error));

  CWavedeskApp app;
  CWavedeskApp::Options options;
  options.backend = commandLine.backend;
  options.fileToOpen = commandLine.fileToOpen;
  if (!app.InitInstance(options)) return 0;
  const int status = QApplication::exec();
  app.ExitInstance();
  return status;
}
