// What the editor takes from its command line: the sound back-end and an
// optional file to open.
#pragma once

#include <QString>
#include <QStringList>

#include "core/audio/sound_device.h"

struct CommandLine {
  SoundBackend backend = SoundBackend::PulseAudio;
  QString fileToOpen;
  QString error;  // non-empty when the arguments could not be understood
  bool showHelp = false;     // "--help" or "-h": print the usage and end
  bool showVersion = false;  // "--version": print the version and end
};

// Understands "--audio=pulse", "--audio=null" (also "--audio null"),
// "--help", "--version" and one file name; arguments[0] is the program.
// "--" ends the options, so that a file named like one can still be opened.
CommandLine ParseCommandLine(const QStringList& arguments);

// What "--help" prints.
QString CommandLineUsage();
