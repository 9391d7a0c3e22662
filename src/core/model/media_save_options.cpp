#include "core/model/media_save_options.h"

#include <algorithm>
#include <cctype>

MediaSaveOptions DefaultMediaSaveOptions(MediaSaveFormat format) {
  MediaSaveOptions options;
  options.format = format;
  return options;
}

MediaSaveOptions ClampedMediaSaveOptions(MediaSaveOptions options) {
  options.flacLevel = std::clamp(options.flacLevel, 0, 8);
  options.vorbisQuality = std::clamp(options.vorbisQuality, -1, 10);
  options.opusKbps = std::clamp(options.opusKbps, 32, 256);
  options.mp3VbrQuality = std::clamp(options.mp3VbrQuality, 0, 9);
  options.mp3Kbps = std::clamp(options.mp3Kbps, 64, 320);
  options.aacKbps = std::clamp(options.aacKbps, 64, 320);
  options.bits = options.bits > 16 ? 24 : 16;
  options.sampleRate = options.sampleRate == 0 ? 0 : std::clamp<uint32_t>(options.sampleRate, 8000, 384000);
  options.channels = std::min<uint32_t>(options.channels, 8);
  return options;
}

std::optional<MediaSaveFormat> MediaSaveFormatForPath(std::string_view path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return std::nullopt;
  std::string extension(path.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "flac") return MediaSaveFormat::kFlac;
  if (extension == "ogg" || extension == "oga") return MediaSaveFormat::kVorbis;
  if (extension == "opus") return MediaSaveFormat::kOpus;
  if (extension == "mp3") return MediaSaveFormat::kMp3;
  if (extension == "m4a") return MediaSaveFormat::kAac;
  if (extension == "aif" || extension == "aiff" || extension == "aifc") return MediaSaveFormat::kAiff;
  return std::nullopt;
}

std::string_view MediaSaveExtension(MediaSaveFormat format) {
  switch (format) {
    case MediaSaveFormat::kFlac: return "flac";
    case MediaSaveFormat::kVorbis: return "ogg";
    case MediaSaveFormat::kOpus: return "opus";
    case MediaSaveFormat::kMp3: return "mp3";
    case MediaSaveFormat::kAac: return "m4a";
    case MediaSaveFormat::kAiff: return "aiff";
  }
  return "flac";
}

bool IsLossyMediaFormat(MediaSaveFormat format) {
  return format != MediaSaveFormat::kFlac && format != MediaSaveFormat::kAiff;
}
