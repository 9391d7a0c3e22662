#include "gui/app/command_line.h"

CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine result;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    QString backend;
    if (arg.startsWith(QLatin1String("--audio="))) {
      backend = arg.mid(8);
    } else if (arg == QLatin1String("--audio") && i + 1 < arguments.size()) {
      backend = arguments[++i];
    } else if (arg.startsWith(QLatin1String("--"))) {
      result.error = QStringLiteral("Unknown option %1").arg(arg);
      continue;
    } else {
      result.fileToOpen = arg;
      continue;
    }
    if (backend == QLatin1String("null"))
      result.backend = SoundBackend::Null;
    else if (backend == QLatin1String("pulse"))
      result.backend = SoundBackend::PulseAudio;
    else
      result.error = QStringLiteral("Unknown sound back-end %1 (use pulse or null)").arg(backend);
  }
  return result;
}
