// Program entry: the command line, then the application's start-up.
#include <QApplication>
#include <cstdio>

#include "gui/base/artwork.h"
#include "gui/app/command_line.h"
#include "gui/app/main_frame.h"
#include "gui/document/recovery_store.h"
#include "gui/base/resource_ids.h"
#include "gui/app/wavedesk_app.h"

int main(int argc, char* argv[]) {
  // Help, the version and a wrong option need no window, nor a display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const CommandLine commandLine = ParseCommandLine(arguments);
  if (commandLine.showHelp) {
    std::fputs(qPrintable(CommandLineUsage()), stdout);
    return 0;
  }
  if (commandLine.showVersion) {
    std::printf("%s\n", kApplicationTitle);
    return 0;
  }
  if (!commandLine.error.isEmpty()) {
    std::fprintf(stderr, "wavedesk: %s\nTry 'wavedesk --help'.\n", qPrintable(commandLine.error));
    return 2;
  }

  QApplication application(argc, argv);
  QApplication::setOrganizationName(QString::fromLatin1(kCompanyName));
  QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
  QApplication::setWindowIcon(ArtworkIcon(IDR_MAINFRAME));

  CWavedeskApp app;
  CWavedeskApp::Options options;
  options.backend = commandLine.backend;
  options.fileToOpen = commandLine.fileToOpen;
  options.recoveryFolder = CRecoveryStore::DefaultFolder();
  if (!app.InitInstance(options)) return 0;
  const int status = QApplication::exec();
  app.ExitInstance();
  return status;
}
