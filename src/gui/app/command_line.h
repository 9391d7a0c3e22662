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
};

// Understands "--audio=pulse", "--audio=null" (also "--audio null") and one
// file name; arguments[0] is the program.
CommandLine ParseCommandLine(const QStringList& arguments);
