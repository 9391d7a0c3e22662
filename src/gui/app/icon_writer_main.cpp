// Build-time tool: writes the program's icon as PNG files for the desktop's
// icon theme, <folder>/<N>x<N>/apps/tarvo-wavedesk.png at every size the
// installation carries. Runs on Qt's offscreen platform; needs no display.
//
//   wavedesk_icons <folder>
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "gui/base/artwork.h"

int main(int argc, char* argv[]) {
  QGuiApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: wavedesk_icons <folder>\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  for (int size : kApplicationIconSizes) {
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
    if (!QDir().mkpath(folder) || !ApplicationIconImage(size).save(folder + QStringLiteral("/tarvo-wavedesk.png"))) {
      std::fprintf(stderr, "wavedesk_icons: cannot write %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
