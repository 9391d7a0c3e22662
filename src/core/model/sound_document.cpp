#include "core/model/sound_document.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/model/codec_format.h"
#include "core/model/ffmpeg_handles.h"
#include "core/model/file_reader.h"
#include "core/model/media_reader.h"
#include "core/model/media_writer.h"
#include "core/model/wave_converter.h"
#include "core/model/wave_file.h"

namespace {

std::string LowerExtension(const std::string& path) {
  std::string last = path.size() >= 3 ? path.substr(path.size() - 3) : path;
  for (char& c : last) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return last;
}

// Two records are the same format when their first 16 bytes agree; the
// extra-size field and the extra bytes are not compared.
bool EqualFormats(const FormatRecord& a, const FormatRecord& b) {
  return a.size() >= 16 && b.size() >= 16 && std::memcmp(a.data(), b.data(), 16) == 0;
}

// How File Save's question names a codec ("MP3", "Vorbis").
std::string CodecWords(const std::string& codec) {
  if (codec == "mp3" || codec == "mp3float") return "MP3";
  if (codec == "vorbis") return "Vorbis";
  if (codec == "opus") return "Opus";
  if (codec == "aac") return "AAC";
  if (codec == "flac") return "FLAC";
  if (codec == "alac") return "ALAC";
  if (codec == "wmav1" || codec == "wmav2" || codec == "wmapro") return "WMA";
  std::string words = codec;
  for (char& c : words) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return words;
}

std::string MediaContainerLongName(const std::string& name) {
  const AVInputFormat* format = av_find_input_format(name.c_str());
  return format != nullptr && format->long_name != nullptr ? format->long_name : std::string();
}

std::string MediaCodecLongName(const std::string& name) {
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get_by_name(name.c_str());
  return descriptor != nullptr && descriptor->long_name != nullptr ? descriptor->long_name : std::string();
}

// The record "keep its format" writes: the file's own, except that an
// extensible record of PCM or float samples (which other programs write for
// more than 16 bits or two channels) becomes the plain record of the same
// samples, the one the converter encodes.
FormatRecord FormatToKeep(const FormatRecord& record) {
  ExtensibleFormat extensible;
  if (!ParseExtensible(record, &extensible) ||
      (extensible.subFormatTag != kFormatPCM && extensible.subFormatTag != kFormatIEEEFloat))
    return record;
  const WaveFormat format = ParseWaveFormat(record);
  WaveFormat wanted;
  wanted.formatTag = extensible.subFormatTag;
  wanted.channels = format.channels;
  wanted.samplesPerSec = format.samplesPerSec;
  wanted.bitsPerSample = format.bitsPerSample;
  FormatRecord plain;
  return SuggestFormat(wanted, &plain) == ConvertResult::kOk ? plain : record;
}

// What a file the writer made holds, as the reader would have described it.
MediaStreamInfo DescribeWrittenStream(const MediaSaveOptions& options, uint32_t rate, uint32_t channels) {
  MediaStreamInfo info;
  const bool lossless = !IsLossyMediaFormat(options.format);
  switch (options.format) {
    case MediaSaveFormat::kFlac:
      info.containerName = "flac";
      info.codecName = "flac";
      break;
    case MediaSaveFormat::kVorbis:
      info.containerName = "ogg";
      info.codecName = "vorbis";
      break;
    case MediaSaveFormat::kOpus:
      info.containerName = "ogg";
      info.codecName = "opus";
      info.bitRate = int64_t{options.opusKbps} * 1000;
      break;
    case MediaSaveFormat::kMp3:
      info.containerName = "mp3";
      info.codecName = "mp3";
      if (!options.mp3Vbr) info.bitRate = int64_t{options.mp3Kbps} * 1000;
      break;
    case MediaSaveFormat::kAac:
      info.containerName = "mov,mp4,m4a,3gp,3g2,mj2";
      info.codecName = "aac";
      info.bitRate = int64_t{options.aacKbps} * 1000;
      break;
    case MediaSaveFormat::kAiff:
      info.containerName = "aiff";
      info.codecName = options.bits > 16 ? "pcm_s24be" : "pcm_s16be";
      break;
  }
  info.containerLongName = MediaContainerLongName(info.containerName);
  info.codecLongName = MediaCodecLongName(info.codecName);
  info.sampleRate = rate;
  info.channels = static_cast<uint16_t>(channels);
  info.bitsPerSample = lossless ? static_cast<uint16_t>(options.bits) : 0;
  info.lossless = lossless;
  return info;
}

}  // namespace

SoundDocument::SoundDocument(const SettingsRecord& settings) : m_settings(settings), m_sound(settings) {}

void SoundDocument::SetModifiedFlag(bool modified) {
  // Every change reports itself by marking the document modified; whoever
  // keeps a copy of the unsaved state hears of each one.
  if (modified && m_observer != nullptr) m_observer->ContentChanged();
  if (m_modified == modified) return;
  m_modified = modified;
  if (m_observer != nullptr) m_observer->ModifiedChanged(modified);
}

bool SoundDocument::New(const GeneratorParameters& parameters, ProgressReport& progress, bool* cancelled) {
  return m_sound.CreateGenerated(parameters, &progress, cancelled);
}

OpenResult SoundDocument::Open(const std::string& path, RawPCMQuestions& rawQuestions, ProgressReport& progress,
                               const DamagedStreamQuestion& keepDamaged) {
  OpenResult result;
  m_sound.path = path;
  m_sound.media = MediaStreamInfo();
  // A file that cannot be opened at all (gone since it was chosen, not
  // readable, a folder, a pipe) is refused before a raw import asks about it.
  result.systemError = ReadAccessError(path);
  if (result.systemError != 0) {
    result.status = OpenStatus::kReadFailed;
    result.readCode = ReadResult::kCannotOpen;
    return result;
  }
  const std::string kind = LowerExtension(path);
  ReadResult code = ReadResult::kOk;
  bool convert = true;
  if (kind == "wav") {
    code = m_sound.ReadWaveFile();
  } else if (kind == "mp3") {
    code = m_sound.ReadMp3File();
  } else if (kind == "tvf") {
    code = m_sound.ReadDocumentFile(path, &result.repairedNodes);
    convert = false;
  } else {
    code = OpenByContents(path, rawQuestions, progress, keepDamaged, &result, &convert);
  }
  if (code == ReadResult::kCancelled) {
    result.status = OpenStatus::kCancelled;
    return result;
  }
  if (code != ReadResult::kOk) {
    result.status = OpenStatus::kReadFailed;
    result.readCode = code;
    // It may have gone or changed while it was read.
    result.systemError = ReadAccessError(path);
    return result;
  }
  if (!convert) return result;
  const ConvertStatus converted = ConvertLayersToWorkingFormat(
      m_sound, [&progress](FormatRecord& source, FormatRecord& target, std::unique_ptr<uint8_t[]>* data,
                           uint64_t* length) { return ConvertWithProgress(source, target, data, length, progress); });
  if (converted == ConvertStatus::kCancelled)
    result.status = OpenStatus::kCancelled;
  else if (converted == ConvertStatus::kFailed)
    result.status = kind == "wav" ? OpenStatus::kNotProperWave : OpenStatus::kConvertFailed;
  return result;
}

ReadResult SoundDocument::OpenByContents(const std::string& path, RawPCMQuestions& rawQuestions,
                                         ProgressReport& progress, const DamagedStreamQuestion& keepDamaged,
                                         OpenResult* result, bool* convert) {
  MediaStreamInfo found;
  switch (ProbeMediaFile(path, &found)) {
    case MediaProbe::kNotRecognised:
      return m_sound.ReadRawFile(rawQuestions);
    case MediaProbe::kNoAudio:
      m_sound.media = found;
      return ReadResult::kNoSound;
    case MediaProbe::kUnsupportedCodec:
      m_sound.media = found;
      result->codec = found.codecLongName.empty() ? found.codecName : found.codecLongName;
      return ReadResult::kUnsupportedCodec;
    case MediaProbe::kUndecodable:
      return ReadResult::kConvertFailed;
    case MediaProbe::kCannotRead:
      return ReadResult::kCannotOpen;
    case MediaProbe::kAudio:
      break;
  }
  // The reader decodes straight to the working format.
  *convert = false;
  DamagedStream damage;
  ReadResult code = m_sound.ReadMediaFile(progress, &damage);
  if (code == ReadResult::kUnsupportedCodec)
    result->codec = m_sound.media.codecLongName.empty() ? m_sound.media.codecName : m_sound.media.codecLongName;
  if (code != ReadResult::kDamaged) return code;
  result->damaged = damage;
  if (keepDamaged && keepDamaged(damage)) return ReadResult::kOk;
  m_sound.layers.clear();
  return code;
}

bool SoundDocument::IsSavableExtension(const std::string& path) {
  const std::string kind = LowerExtension(path);
  return kind == "wav" || kind == "tvf" || MediaSaveFormatForPath(path).has_value();
}

std::string SoundDocument::ProposedSaveName(const std::string& path, const std::string& title) {
  std::string name;
  if (!path.empty()) {
    const size_t slash = path.find_last_of('/');
    name = slash == std::string::npos ? path : path.substr(slash + 1);
  } else {
    // A title may carry characters no file name should: cut before the
    // first of them.
    name = title.substr(0, std::min(title.size(), title.find_first_of(":/\\*")));
  }
  if (name.empty() || IsSavableExtension(name)) return name;
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name + ".wav";
}

ConvertStatus SoundDocument::ConvertWithProgress(FormatRecord& source, FormatRecord& target,
                                                 std::unique_ptr<uint8_t[]>* data, uint64_t* length,
                                                 ProgressReport& progress) {
  if (*length == 0) return ConvertStatus::kConverted;
  CWaveConverter converter;
  const uint64_t bytes = *length;
  converter.Start(&source, &target, std::move(*data), bytes, 4294967295ull);
  const auto started = std::chrono::steady_clock::now();
  bool userCancelled = false;
  while (converter.IsBusy()) {
    // The estimate assumes one microsecond per byte.
    const double elapsed =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - started).count();
    const int percent = static_cast<int>(std::min(100.0, elapsed * 100.0 / static_cast<double>(bytes)));
    if (!progress.Poll(percent)) {
      userCancelled = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // Collect joins a worker that is still running before anything is freed.
  converter.Collect(data, length);
  // A cancel that came after the worker had finished cancels nothing.
  if (!converter.HasFailed() && *data) return ConvertStatus::kConverted;
  return userCancelled ? ConvertStatus::kCancelled : ConvertStatus::kFailed;
}

SaveResult SoundDocument::Save(const std::string& path, const SaveChoices& choices, ProgressReport& progress) {
  SaveResult result;
  if (!IsSavableExtension(path)) {
    result.status = SaveStatus::kNotSavable;
    return result;
  }
  m_sound.Stop();
  if (LowerExtension(path) == "tvf") {
    if (m_sound.WriteDocumentFile(path) != WriteResult::kOk) {
      result.status = SaveStatus::kWriteFailed;
      result.systemError = errno;
      return result;
    }
    // The document now stands for working-format samples.
    const FormatRecord working = MakeFormatRecord(WorkingFormat());
    if (m_sound.fileFormat.size() < working.size()) m_sound.fileFormat.resize(working.size());
    std::copy(working.begin(), working.end(), m_sound.fileFormat.begin());
    m_sound.media = MediaStreamInfo();
  } else if (const std::optional<MediaSaveFormat> media = MediaSaveFormatForPath(path)) {
    result = SaveMedia(path, *media, choices.chooseMediaOptions, progress);
    if (!result.ok()) return result;
    result.flattened = WaveFlattens();
  } else {
    result = SaveWave(path, choices, progress);
    if (!result.ok()) return result;
    m_sound.media = MediaStreamInfo();
    result.flattened = WaveFlattens();
  }
  SetModifiedFlag(result.flattened);
  return result;
}

SaveResult SoundDocument::SaveWave(const std::string& path, const SaveChoices& choices, ProgressReport& progress) {
  SaveResult result;
  FormatRecord chosen = MakeFormatRecord(WorkingFormat());
  // The file's own record is complete: it was read from a wave file, or
  // written by an earlier save.
  const bool keep = choices.keepWaveFormat && m_sound.media.empty() && m_sound.fileFormat.size() >= 16;
  if (keep)
    chosen = FormatToKeep(m_sound.fileFormat);
  else if (!m_settings.quickSaveAsWave && !(choices.chooseFormat && choices.chooseFormat(&chosen))) {
    result.status = SaveStatus::kCancelled;
    return result;
  }
  if (ParseWaveFormat(chosen).formatTag == kFormatPCM) WriteLE16(chosen.data() + 16, 0);
  uint64_t length = m_sound.GetLength();
  std::unique_ptr<uint8_t[]> buffer = m_sound.MixDown();
  if (!buffer) {
    result.status = SaveStatus::kOutOfMemory;
    return result;
  }
  // A codec pads its last block with silence; the file's fact chunk says
  // how many frames of it are sound.
  const uint64_t workingFrames = length / kWorkingBlockAlign;
  FormatRecord working = MakeFormatRecord(WorkingFormat());
  if (!EqualFormats(chosen, working)) {
    const ConvertStatus converted = ConvertWithProgress(working, chosen, &buffer, &length, progress);
    if (converted != ConvertStatus::kConverted) {
      result.status = converted == ConvertStatus::kCancelled ? SaveStatus::kCancelled : SaveStatus::kConvertFailed;
      return result;
    }
  }
  const uint64_t frames =
      FramesAtRate(workingFrames, WorkingFormat().samplesPerSec, ParseWaveFormat(chosen).samplesPerSec);
  errno = 0;
  switch (WriteWaveFile(chosen, buffer.get(), length, path, &m_sound.tags, frames)) {
    case WriteResult::kOk:
      break;
    case WriteResult::kTooLarge:
      result.status = SaveStatus::kTooLarge;
      return result;
    default:
      result.status = SaveStatus::kWriteFailed;
      result.systemError = errno;
      return result;
  }
  m_sound.fileFormat = chosen;
  m_sound.formatSize = FmtChunkSize(ParseWaveFormat(chosen));
  return result;
}

SaveResult SoundDocument::SaveMedia(const std::string& path, MediaSaveFormat format,
                                    const MediaOptionsChooser& chooseOptions, ProgressReport& progress) {
  SaveResult result;
  MediaSaveOptions options = DefaultMediaSaveOptions(format);
  if (chooseOptions && !chooseOptions(&options)) {
    result.status = SaveStatus::kCancelled;
    return result;
  }
  // The extension decides the format, whatever the chooser left there.
  options.format = format;
  const uint64_t length = m_sound.GetLength();
  const std::unique_ptr<uint8_t[]> buffer = m_sound.MixDown();
  if (!buffer) {
    result.status = SaveStatus::kOutOfMemory;
    return result;
  }
  MediaWriter writer(options, m_sound.tags);
  const MediaWriteResult written = writer.Write(path, buffer.get(), length, progress);
  switch (written.status) {
    case MediaWriteStatus::kWritten:
      break;
    case MediaWriteStatus::kCancelled:
      result.status = SaveStatus::kCancelled;
      return result;
    case MediaWriteStatus::kOutOfMemory:
      result.status = SaveStatus::kOutOfMemory;
      return result;
    case MediaWriteStatus::kEncoderMissing:
      result.status = SaveStatus::kEncoderMissing;
      return result;
    case MediaWriteStatus::kEncodingFailed:
      result.status = SaveStatus::kConvertFailed;
      return result;
    case MediaWriteStatus::kWriteFailed:
      result.status = SaveStatus::kWriteFailed;
      result.systemError = written.systemError;
      return result;
  }
  // What the document holds is working-format samples, whatever the file
  // was encoded as; the file is described by its stream.
  m_sound.fileFormat = MakeFormatRecord(WorkingFormat());
  m_sound.formatSize = FmtChunkSize(WorkingFormat());
  m_sound.media = DescribeWrittenStream(options, writer.StreamSampleRate(), writer.StreamChannels());
  return result;
}

std::optional<StreamShape> SoundDocument::FileShape() const {
  if (m_sound.path.empty() || LowerExtension(m_sound.path) == "tvf" || m_sound.fileFormat.size() < 16)
    return std::nullopt;
  if (m_sound.media.empty()) return ShapeOfWaveFormat(m_sound.fileFormat);
  const MediaStreamInfo& media = m_sound.media;
  StreamShape shape;
  shape.sampleRate = media.sampleRate;
  shape.channels = media.channels;
  shape.lossy = !media.lossless;
  // A lossless stream that does not state its depth holds at least 16 bits.
  shape.bits = shape.lossy ? 0 : std::max<uint32_t>(media.bitsPerSample, 16);
  shape.codec = CodecWords(media.codecName);
  return shape;
}

std::optional<StreamShape> SoundDocument::FileSaveShape(const std::string& path, const MediaSaveOptions* media) const {
  if (const std::optional<MediaSaveFormat> format = MediaSaveFormatForPath(path))
    return ShapeOfMediaSave(media != nullptr ? *media : DefaultMediaSaveOptions(*format));
  if (LowerExtension(path) == "wav" && m_settings.quickSaveAsWave)
    return ShapeOfWaveFormat(MakeFormatRecord(WorkingFormat()));
  return std::nullopt;
}

MediaSaveOptions SoundDocument::KeepingFileShape(MediaSaveOptions options) const {
  const std::optional<StreamShape> shape = FileShape();
  if (!shape) return options;
  options.sampleRate = shape->sampleRate;
  options.channels = shape->channels;
  if (!shape->lossy) options.bits = shape->bits > 16 ? 24 : 16;
  return ClampedMediaSaveOptions(options);
}

bool SoundDocument::WaveFlattens() const {
  if (m_sound.layers.size() > 1) return true;
  for (const auto& layer : m_sound.layers) {
    if (!layer->EnvelopeActive()) continue;
    for (const EnvelopeNode& node : layer->nodes) {
      if (node.level != 1.0) return true;
    }
  }
  return false;
}
