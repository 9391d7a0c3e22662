#include "core/model/sound_document.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/model/file_reader.h"
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

SaveResult SoundDocument::Save(const std::string& path, const FormatChooser& chooseFormat, ProgressReport& progress,
                               const MediaOptionsChooser& chooseMediaOptions) {
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
  } else if (const std::optional<MediaSaveFormat> media = MediaSaveFormatForPath(path)) {
    result = SaveMedia(path, *media, chooseMediaOptions, progress);
    if (!result.ok()) return result;
    result.flattened = WaveFlattens();
  } else {
    result = SaveWave(path, chooseFormat, progress);
    if (!result.ok()) return result;
    result.flattened = WaveFlattens();
  }
  SetModifiedFlag(result.flattened);
  return result;
}

SaveResult SoundDocument::SaveWave(const std::string& path, const FormatChooser& chooseFormat,
                                   ProgressReport& progress) {
  SaveResult result;
  FormatRecord chosen = MakeFormatRecord(WorkingFormat());
  if (!m_settings.quickSaveAsWave && !(chooseFormat && chooseFormat(&chosen))) {
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
    case MediaWriteStatus::kEncodingFailed:
      result.status = SaveStatus::kConvertFailed;
      return result;
    case MediaWriteStatus::kWriteFailed:
      result.status = SaveStatus::kWriteFailed;
      result.systemError = written.systemError;
      return result;
  }
  // What the document holds is working-format samples, whatever the file
  // was encoded as.
  m_sound.fileFormat = MakeFormatRecord(WorkingFormat());
  m_sound.formatSize = FmtChunkSize(WorkingFormat());
  return result;
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
