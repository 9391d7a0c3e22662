// The audio content of one document: the header fields and format record of
// the file it came from, nine information tags, the ordered list of layers,
// the active layer and the selection. All layer data is held in the working
// format; every position exchanged with the rest of the program is a byte
// position in it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/file_result.h"
#include "core/model/media_reader.h"
#include "core/model/settings_record.h"
#include "core/model/sound_layer.h"
#include "core/model/wave_format.h"
#include "core/model/wave_generator.h"

constexpr int kTagCount = 9;
// The tags in their fixed order, with their RIFF INFO ids.
enum TagIndex : int {
  kTagTitle, kTagComments, kTagCopyright, kTagGenre, kTagKeywords,
  kTagArtist, kTagEngineer, kTagTechnician, kTagSubject,
};
inline constexpr std::array<std::string_view, kTagCount> kTagIds = {
    "INAM", "ICMT", "ICOP", "IGNR", "IKEY", "IART", "IENG", "ITCH", "ISBJ"};
inline constexpr std::string_view kEmptyTag = "(empty)";

using TagSet = std::array<std::string, kTagCount>;

// What the sound needs from the playback engine, which lives outside the
// model: whether it plays, and a way to stop it before layers change.
class ProgressReport;
class RawPCMQuestions;

class SoundPlaybackControl {
 public:
  virtual ~SoundPlaybackControl() = default;
  virtual bool IsPlaying() const = 0;
  virtual void Stop() = 0;
};

class CSound {
 public:
  // `settings` is the application's record; it must outlive the sound.
  explicit CSound(const SettingsRecord& settings = DefaultSettings());
  virtual ~CSound();

  CSound(const CSound&) = delete;
  CSound& operator=(const CSound&) = delete;

  // The largest layer end (offset + length), 0 without layers, at most
  // 4,294,967,295.
  uint32_t GetLength() const;
  // Makes the first layer that holds the whole selection active (its end must
  // lie strictly after the selection end). Without one, layer 0 becomes
  // active and the result is false.
  bool SelectLayerFromSelection();
  bool IsSelectionInActiveLayer() const;

  // A new sound of one generated layer in the working format, named "(no name)".
  // `progress` and `cancelled` as for AddGeneratedLayer.
  bool CreateGenerated(const GeneratorParameters& parameters, ProgressReport* progress = nullptr,
                       bool* cancelled = nullptr);
  // Appends a generated layer at offset 0. False, with nothing added, when
  // the function type is not 0-6, the length is negative, the sound holds
  // kMaximumLayers already, the samples cannot be allocated, or `progress`
  // cancelled the rendering (which also sets *cancelled; it is cleared
  // otherwise). `progress`, when given, is polled on this thread while
  // worker threads render.
  bool AddGeneratedLayer(const GeneratorParameters& parameters, ProgressReport* progress = nullptr,
                         bool* cancelled = nullptr);

  // All layers summed through their envelopes into one new block of
  // GetLength() bytes: each layer's value truncated toward zero, the sum of
  // all layers saturated once at the 16-bit limits, exactly as playback
  // sounds. Null when the block cannot be allocated. Rebuilds every layer's
  // node snapshot.
  std::unique_ptr<uint8_t[]> MixDown();

  // Reads the wave file named by `path`: one layer per data chunk and the
  // tags of its LIST/INFO chunk and of the trailer behind the RIFF chunk.
  // Returns ReadResult::kOk, kOutOfMemory, kNotWave or kCannotOpen (the
  // file cannot be opened, or reading it failed part way). Layers and tags
  // read before a failure stay in the sound; the caller discards it.
  [[nodiscard]] ReadResult ReadWaveFile();

  // Reads the MP3 file named by `path` whole into one layer, with a format
  // record that describes its stream (tag 85 with the stream's own rate and
  // channels). ReadResult::kOk, kOutOfMemory, kNotWave (no MP3 audio in it,
  // or it cannot be opened) or kCannotOpen (it cannot be read).
  [[nodiscard]] ReadResult ReadMp3File();

  // Reads the file named by `path` through FFmpeg (see media_reader.h):
  // its first audio stream decoded and resampled to the working format
  // into one layer, the tags of the container and of the stream, a working
  // format record (no further conversion is needed) and `media`, which
  // describes the stream. The decode runs on a worker thread while
  // `progress` is polled on this one about every 20 ms. Returns
  // ReadResult::kOk; kDamaged when the demuxer failed before the end or
  // packets did not decode, or the sound would grow past `mostBytes`: the
  // part decoded is the layer and *damage (when given) says how much it is;
  // kCancelled (nothing is kept), kNoSound, kUnsupportedCodec (`media`
  // names the codec), kConvertFailed (no sound decodes from it),
  // kOutOfMemory or kCannotOpen.
  static constexpr uint64_t kMaximumMediaBytes = UINT32_MAX - UINT32_MAX % kWorkingBlockAlign;
  [[nodiscard]] ReadResult ReadMediaFile(ProgressReport& progress, DamagedStream* damage = nullptr,
                                         uint64_t mostBytes = kMaximumMediaBytes);

  // Imports the file named by `path` as raw PCM after asking `questions`
  // for its rate, bits and channels: one layer of the whole file (a partial
  // frame at the end left out), in the format the answers describe.
  // ReadResult::kOk, kOutOfMemory, kCannotOpen (it cannot be read) or
  // kCancelled.
  [[nodiscard]] ReadResult ReadRawFile(RawPCMQuestions& questions);

  // The layered document file: every layer with its placement, colours and
  // envelope, then the nine tags. Write: WriteResult::kOk or kFailed (the old
  // file is then left as it was). Read: ReadResult::kOk, kBadDocument (not a
  // layered document, or a damaged one; no layers are kept), kOutOfMemory,
  // kNotWave (it cannot be opened: the number this reader has always given
  // then) or kTooManyLayers (more than kMaximumDocumentLayers; none are read).
  // A read that had to move envelope nodes back into their layer or their
  // level range says how many through `repairedNodes`.
  [[nodiscard]] WriteResult WriteDocumentFile(const std::string& documentPath);
  [[nodiscard]] ReadResult ReadDocumentFile(const std::string& documentPath, uint32_t* repairedNodes = nullptr);

  // A sound holds at most this many layers; every way of adding one asks
  // CanAddLayer first.
  static constexpr size_t kMaximumLayers = 10;
  bool CanAddLayer() const { return layers.size() < kMaximumLayers; }
  // A layered document may hold more layers than the editor adds (older
  // files, other tools), but every layer costs a band in the view and a
  // 1 MiB ring while playing: a document of more than this many is refused.
  static constexpr uint32_t kMaximumDocumentLayers = 64;

  // Appends a layer built from `data`; its index is the current layer count.
  // Callers make sure that CanAddLayer() holds: the readers and the layer
  // commands all do.
  CSoundLayer& AppendLayer(std::string name, std::unique_ptr<uint8_t[]> data, uint64_t length);

  bool IsPlaying() const { return playback != nullptr && playback->IsPlaying(); }
  void Stop() {
    if (playback != nullptr) playback->Stop();
  }

  const SettingsRecord& settings() const { return *m_settings; }
  CSoundLayer* activeLayer() {
    return activeLayerIndex >= 0 && static_cast<size_t>(activeLayerIndex) < layers.size()
               ? layers[static_cast<size_t>(activeLayerIndex)].get()
               : nullptr;
  }

  std::string path;
  char riffId[5] = {};
  uint32_t riffSize = 0;
  char waveId[5] = {};
  uint32_t formatSize = 0;
  FormatRecord fileFormat;  // empty until a file or generator sets it; at least 18 bytes then
  WaveFormat workingFormat = WorkingFormat();
  TagSet tags;
  MediaStreamInfo media;  // empty unless ReadMediaFile read the sound
  std::vector<std::unique_ptr<CSoundLayer>> layers;  // display order; at most kMaximumLayers
  int32_t activeLayerIndex = 0;
  int32_t selectionStart = 0;
  int32_t selectionEnd = 0;
  // Set by the playback engine while it drives this sound.
  SoundPlaybackControl* playback = nullptr;

 private:
  const SettingsRecord* m_settings;
};
