// Program entry: reads the command line, opens the sound devices of the
// chosen back-end and shows the main window.
#include <QApplication>
#include <cstdio>

#include "core/audio/audio_devices.h"
#include "gui/app/command_line.h"
#include "gui/app/main_frame.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QString::fromLatin1(kCompanyName));
  QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));

  const CommandLine commandLine = ParseCommandLine(QApplication::arguments());
  if (!commandLine.error.isEmpty())
    std::fprintf(stderr, "wavedesk: %s\n", qPrintable(commandLine.error));

  AudioDevices devices;
  const DeviceResult opened = devices.Open(commandLine.backend);
  if (!opened.Succeeded()) {
    std::fprintf(stderr, "wavedesk: the sound devices could not be opened (%s: %s); try --audio=null\n",
                 opened.name.c_str(), opened.description.c_str());
  }

  CMainFrame frame;
  frame.show();
  const int status = app.exec();
  devices.Close();
  return status;
}
