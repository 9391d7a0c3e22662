// The wave MIME types and the clipboard content made from and read as them.
#include "gui/base/clip_mime.h"

#include <QMimeData>

QStringList WaveMimeTypes() { return {QStringLiteral("audio/wav"), QStringLiteral("audio/x-wav")}; }

QMimeData* MakeWaveMimeData(const QByteArray& waveFile) {
  auto* mime = new QMimeData;
  // QByteArray shares its bytes: both types cost one copy of the file.
  for (const QString& type : WaveMimeTypes()) mime->setData(type, waveFile);
  return mime;
}

QByteArray WaveFileOf(const QMimeData* mime) {
  if (mime == nullptr) return {};
  for (const QString& type : WaveMimeTypes()) {
    if (mime->hasFormat(type)) return mime->data(type);
  }
  return {};
}
