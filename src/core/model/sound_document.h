// The document's work on its sound, with no window in sight: opening a file
// by its extension (or, for the names it does not know, by its contents)
// and bringing every layer to the working format, saving as
// a wave file (the mix-down, converted to the chosen format) or as a layered
// document, the modified flag, and the changes of the layer list. The program
// around it asks the questions (raw PCM answers, the save format), shows the
// progress through a ProgressReport and turns the results into messages; it
// decides nothing that this class decides.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/model/media_save_options.h"
#include "core/model/progress_report.h"
#include "core/model/settings_record.h"
#include "core/model/sound.h"
#include "core/model/stream_shape.h"
#include "core/model/wave_format.h"
#include "core/model/wave_generator.h"
#include "core/model/working_format_conversion.h"

class RawPCMQuestions;

// Told whenever the document's modified flag changes, of every change to
// the document (each change marks it modified, also when it already was),
// and of every change of its action history (kept by the editor, which
// tells through the document).
class SoundDocumentObserver {
 public:
  virtual ~SoundDocumentObserver() = default;
  virtual void ModifiedChanged(bool modified) = 0;
  virtual void ContentChanged() {}
  virtual void HistoryChanged() {}
};

enum class OpenStatus {
  kOpened,
  kCancelled,          // the user cancelled the raw import or a conversion
  kReadFailed,         // the reader's code says why (ReadResult)
  kNotProperWave,      // a wave file whose data no codec converts
  kConvertFailed,      // MP3 or raw data that could not be converted
};

struct OpenResult {
  OpenStatus status = OpenStatus::kOpened;
  ReadResult readCode = ReadResult::kOk;  // with kReadFailed
  // With kReadFailed: why the file could not be opened (an errno value:
  // ENOENT, EACCES, EISDIR, ENODEV for a pipe or device, ...), 0 when it
  // could be opened and its contents are at fault.
  int systemError = 0;
  // Envelope nodes of a layered document that lay outside their layer or
  // their level range and were moved inside: the user is told.
  uint32_t repairedNodes = 0;
  // With ReadResult::kUnsupportedCodec: the codec, as FFmpeg names it (its
  // long name when it has one).
  std::string codec;
  // A sound file that decoded only in part: how much, whether the user
  // kept it (kOpened) or not (kReadFailed with ReadResult::kDamaged).
  std::optional<DamagedStream> damaged;
  bool ok() const { return status == OpenStatus::kOpened; }
};

enum class SaveStatus {
  kSaved,
  kCancelled,      // the format chooser or the conversion was cancelled
  kNotSavable,     // the name ends in none of the extensions IsSavableExtension knows
  kOutOfMemory,    // no room for the mix-down
  kConvertFailed,  // the codec could not encode the sound
  kTooLarge,       // 4 GiB or more of data: a wave file cannot say so
  kWriteFailed,    // the file could not be written; systemError says why
  kEncoderMissing, // the installed FFmpeg has no encoder or muxer for the format
};

struct SaveResult {
  SaveStatus status = SaveStatus::kSaved;
  int systemError = 0;  // errno of the failed write, 0 when unknown
  // Saved as a wave file that could not keep the layers or their envelopes:
  // the document stays modified, since what it holds is not in any file.
  bool flattened = false;
  bool ok() const { return status == SaveStatus::kSaved; }
};

// How a save picks what it writes (see SoundDocument::Save).
struct SaveChoices {
  // A wave file's format, when quick save is off; false cancels the save.
  std::function<bool(FormatRecord* format)> chooseFormat;
  // A FLAC, Ogg, Opus, MP3, M4A or AIFF file's options, called with the
  // format's defaults filled in; false cancels. None: the defaults.
  std::function<bool(MediaSaveOptions* options)> chooseMediaOptions;
  // A wave file is written in the format its file had (FileShape), whatever
  // quick save says: File Save's answer "keep its format".
  bool keepWaveFormat = false;
};

class SoundDocument {
 public:
  // `settings` is the application's record; it must outlive the document.
  explicit SoundDocument(const SettingsRecord& settings);

  SoundDocument(const SoundDocument&) = delete;
  SoundDocument& operator=(const SoundDocument&) = delete;

  CSound& sound() { return m_sound; }
  const CSound& sound() const { return m_sound; }
  const SettingsRecord& settings() const { return m_settings; }

  bool IsModified() const { return m_modified; }
  void SetModifiedFlag(bool modified = true);
  void SetObserver(SoundDocumentObserver* observer) { m_observer = observer; }
  // The action history changed (the editor calls this).
  void NotifyHistoryChanged() {
    if (m_observer != nullptr) m_observer->HistoryChanged();
  }

  // A new document of one generated layer. False when nothing was made;
  // `cancelled` tells a cancel apart from a failure.
  bool New(const GeneratorParameters& parameters, ProgressReport& progress, bool* cancelled = nullptr);

  // Asked whether to keep what could be decoded of a damaged sound file;
  // true keeps it.
  using DamagedStreamQuestion = std::function<bool(const DamagedStream& damage)>;

  // Reads `path` by its extension, compared without regard to case: "wav"
  // (every data chunk a layer), "mp3", "tvf". Any other file is recognised
  // by its contents: a sound file FFmpeg reads is decoded to the working
  // format under `progress` (when it turns out damaged, `keepDamaged` is
  // asked; without it nothing opens), one that holds no sound or a codec
  // that cannot be decoded gives the matching ReadResult, one whose sound
  // does not decode (or whose name says a sound format its contents are
  // not) gives kConvertFailed, and only data no format claims is imported
  // as raw PCM described by `rawQuestions`. Every
  // layer of a wave, MP3 or raw file in another format is converted to the
  // working format under `progress`. On failure the sound is left for the
  // caller to discard.
  OpenResult Open(const std::string& path, RawPCMQuestions& rawQuestions, ProgressReport& progress,
                  const DamagedStreamQuestion& keepDamaged = {});

  // Picks the format a wave file is saved in; false when the user cancelled.
  using FormatChooser = std::function<bool(FormatRecord* format)>;
  // Picks the choices of a FLAC, Ogg, Opus, MP3, M4A or AIFF file: called
  // with the format's defaults filled in; false when the user cancelled.
  using MediaOptionsChooser = std::function<bool(MediaSaveOptions* options)>;
  // Writes the document to `path`: a layered document for ".tvf", the
  // mix-down for ".wav" in the working format (quick save) or the one
  // `chooseFormat` picks, and the mix-down for the extensions of
  // MediaSaveFormatForPath encoded with the choices `chooseMediaOptions`
  // makes (none: the format's defaults). Stops playback first. On success
  // the document is no longer modified, unless a wave or media file
  // flattened what only a layered document keeps (see
  // SaveResult::flattened). @excsafety{Strong}: on failure the file on disk
  // and the document are as they were.
  SaveResult Save(const std::string& path, const SaveChoices& choices, ProgressReport& progress);
  SaveResult Save(const std::string& path, const FormatChooser& chooseFormat, ProgressReport& progress,
                  const MediaOptionsChooser& chooseMediaOptions = {}) {
    return Save(path, SaveChoices{chooseFormat, chooseMediaOptions, false}, progress);
  }

  // The shape of the document's own file as it was opened or last saved:
  // a wave or MP3 file by its format record, a sound file FFmpeg read by its
  // stream. None for a document without a file of its own and for a
  // layered document (which keeps the working format whole).
  std::optional<StreamShape> FileShape() const;
  // The shape File Save to `path` writes without asking: the working
  // format for a wave file under quick save, `media` (or the format's
  // defaults) for a sound file format. None when a dialog will ask (quick
  // save off) or for a layered document.
  std::optional<StreamShape> FileSaveShape(const std::string& path, const MediaSaveOptions* media) const;
  // `options` with the rate, channels and depth of FileShape(): how File
  // Save keeps a file's format when the user asks it to.
  MediaSaveOptions KeepingFileShape(MediaSaveOptions options) const;

  // True when `path` names a file the document can be saved as.
  static bool IsSavableExtension(const std::string& path);
  // The name Save As proposes for a document read from `path` (or called
  // `title` when it has no file): the file name when the document can be
  // saved under it (".wav", ".tvf" and the media extensions: "take.mp3"
  // stays "take.mp3"), else the name with ".wav" instead of its extension
  // ("take.raw" gives "take.wav").
  static std::string ProposedSaveName(const std::string& path, const std::string& title);

  // Converts `*length` bytes from `source` to `target` on the converter's
  // worker while `progress` is polled: kConverted (also with nothing to do),
  // kFailed, or kCancelled when the user stopped it before it was done.
  [[nodiscard]] static ConvertStatus ConvertWithProgress(FormatRecord& source, FormatRecord& target,
                                                         std::unique_ptr<uint8_t[]>* data, uint64_t* length,
                                                         ProgressReport& progress);

  // What a wave file of this sound cannot keep: more than one layer, or an
  // envelope that changes a level. A wave file holds only their mix.
  bool WaveFlattens() const;

 private:
  SaveResult SaveWave(const std::string& path, const SaveChoices& choices, ProgressReport& progress);
  SaveResult SaveMedia(const std::string& path, MediaSaveFormat format, const MediaOptionsChooser& chooseOptions,
                       ProgressReport& progress);
  // Open's way for a file that is neither wave, MP3 nor layered document.
  ReadResult OpenByContents(const std::string& path, RawPCMQuestions& rawQuestions, ProgressReport& progress,
                            const DamagedStreamQuestion& keepDamaged, OpenResult* result, bool* convert);

  const SettingsRecord& m_settings;
  CSound m_sound;
  bool m_modified = false;
  SoundDocumentObserver* m_observer = nullptr;
};
