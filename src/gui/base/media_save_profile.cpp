#include "gui/base/media_save_profile.h"

#include <QSettings>
#include <QString>

namespace {

QString Group(MediaSaveFormat format) {
  return QStringLiteral("Save Formats/") + QString::fromLatin1(MediaSaveExtension(format).data(),
                                                               static_cast<qsizetype>(MediaSaveExtension(format).size()));
}

QString QuestionKey(SaveQuestion question) {
  return question == SaveQuestion::kLossyReencode ? QStringLiteral("Save Questions/AskBeforeReencoding")
                                                  : QStringLiteral("Save Questions/AskBeforeLoweringQuality");
}

}  // namespace

MediaSaveOptions LoadMediaSaveOptions(MediaSaveFormat format) {
  MediaSaveOptions options = DefaultMediaSaveOptions(format);
  QSettings profile;
  profile.beginGroup(Group(format));
  options.flacLevel = profile.value(QStringLiteral("FlacLevel"), options.flacLevel).toInt();
  options.vorbisQuality = profile.value(QStringLiteral("VorbisQuality"), options.vorbisQuality).toInt();
  options.opusKbps = profile.value(QStringLiteral("OpusKbps"), options.opusKbps).toInt();
  options.mp3Vbr = profile.value(QStringLiteral("Mp3Vbr"), options.mp3Vbr).toBool();
  options.mp3VbrQuality = profile.value(QStringLiteral("Mp3VbrQuality"), options.mp3VbrQuality).toInt();
  options.mp3Kbps = profile.value(QStringLiteral("Mp3Kbps"), options.mp3Kbps).toInt();
  options.aacKbps = profile.value(QStringLiteral("AacKbps"), options.aacKbps).toInt();
  options.bits = profile.value(QStringLiteral("Bits"), options.bits).toInt();
  profile.endGroup();
  return ClampedMediaSaveOptions(options);
}

void StoreMediaSaveOptions(const MediaSaveOptions& options) {
  QSettings profile;
  profile.beginGroup(Group(options.format));
  switch (options.format) {
    case MediaSaveFormat::kFlac:
      profile.setValue(QStringLiteral("FlacLevel"), options.flacLevel);
      profile.setValue(QStringLiteral("Bits"), options.bits);
      break;
    case MediaSaveFormat::kVorbis:
      profile.setValue(QStringLiteral("VorbisQuality"), options.vorbisQuality);
      break;
    case MediaSaveFormat::kOpus:
      profile.setValue(QStringLiteral("OpusKbps"), options.opusKbps);
      break;
    case MediaSaveFormat::kMp3:
      profile.setValue(QStringLiteral("Mp3Vbr"), options.mp3Vbr);
      profile.setValue(QStringLiteral("Mp3VbrQuality"), options.mp3VbrQuality);
      profile.setValue(QStringLiteral("Mp3Kbps"), options.mp3Kbps);
      break;
    case MediaSaveFormat::kAac:
      profile.setValue(QStringLiteral("AacKbps"), options.aacKbps);
      break;
    case MediaSaveFormat::kAiff:
      profile.setValue(QStringLiteral("Bits"), options.bits);
      break;
  }
  profile.endGroup();
}

bool IsSaveQuestionOn(SaveQuestion question) { return QSettings().value(QuestionKey(question), true).toBool(); }

void SetSaveQuestionOn(SaveQuestion question, bool on) { QSettings().setValue(QuestionKey(question), on); }
