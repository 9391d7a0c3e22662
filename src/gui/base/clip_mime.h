// How a clip travels on the system clipboard: a complete wave file under the
// two MIME types that programs on Linux use for one ("audio/wav" is the
// registered name, "audio/x-wav" the older one many programs still offer or
// ask for). Kept apart from the clipboard manager's window so that both
// directions read the same list of types.
#pragma once

#include <QByteArray>
#include <QStringList>

class QMimeData;

// The types a wave file is offered under, in order of preference.
QStringList WaveMimeTypes();

// New clipboard content holding `waveFile` under every wave type. The
// caller hands it to QClipboard, which takes it over.
QMimeData* MakeWaveMimeData(const QByteArray& waveFile);

// The wave file `mime` offers under the first wave type it has; empty when
// it offers none (or null).
QByteArray WaveFileOf(const QMimeData* mime);
