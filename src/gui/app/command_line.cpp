#include "gui/app/command_line.h"

CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine result;
  bool options = true;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    QString backend;
    if (!options || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
      result.fileToOpen = arg;
      continue;
    }
    if (arg == QLatin1String("--")) {
      options = false;
    } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      result.showHelp = true;
    } else if (arg == QLatin1String("--version")) {
      result.showVersion = true;
    } else if (arg.startsWith(QLatin1String("--audio="))) {
      backend = arg.mid(8);
    } else if (arg == QLatin1String("--audio") && i + 1 < arguments.size()) {
      backend = arguments[++i];
    } else {
      result.error = QStringLiteral("Unknown option %1").arg(arg);
    }
    if (backend.isNull()) continue;
    if (backend == QLatin1String("null"))
      result.backend = SoundBackend::Null;
    else if (backend == QLatin1String("pulse"))
      result.backend = SoundBackend::PulseAudio;
    else
      result.error = QStringLiteral("Unknown sound back-end %1 (use pulse or null)").arg(backend);
  }
  return result;
}

QString CommandLineUsage() {
  return QStringLiteral(
      "Usage: wavedesk [options] [file]\n"
      "\n"
      "A layered sound editor. Opens the file given (a wave file, an MP3, a Tarvo\n"
      "document (.tvf), FLAC, Ogg, Opus, M4A, AIFF or any sound file FFmpeg reads,\n"
      "or raw PCM); a running editor opens it in a new window.\n"
      "\n"
      "Options:\n"
      "  --audio=pulse   play and record through PulseAudio (the default)\n"
      "  --audio=null    no sound device: playback is silent, recording hears silence\n"
      "  -h, --help      print this text and end\n"
      "  --version       print the version and end\n"
      "  --              what follows is a file name, even if it starts with '-'\n");
}
