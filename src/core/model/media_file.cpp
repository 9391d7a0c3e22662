// CSound::ReadMediaFile: a sound file FFmpeg reads becomes one layer in the
// working format, decoded on a worker thread while the calling thread
// reports progress and listens for a cancel. The layer is already in the
// working format, so the open flow converts nothing afterwards.
#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/model/encode_stage.h"
#include "core/model/media_tags.h"
#include "core/model/progress_report.h"
#include "core/model/sound.h"

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);
// Decoded sound may be this many times larger than its file when the
// reservation trusts the stated length (a 6 kbit/s Opus file is about 240
// times smaller than its working-format sound); a header that claims more
// is not believed before the samples come.
constexpr uint64_t kMostExpansion = 256;

// The sound of a long file is hundreds of MB written once from start to
// end. In the system's 2 MiB pages its first touch costs a 512th of the
// page faults that 4 KiB pages cost, which was a sixth of the whole read.
// Only advice: the system may decline, and nothing else changes.
void AdviseLargePages(uint8_t* start, uint64_t bytes) {
  constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
  const uintptr_t first = (reinterpret_cast<uintptr_t>(start) + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t last = (reinterpret_cast<uintptr_t>(start) + bytes) & ~(kLargePage - 1);
  if (last > first) (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

uint64_t Milliseconds(uint64_t frames) { return frames * 1000 / kWorkingSampleRate; }

ReadResult FromProbe(MediaProbe probe) {
  switch (probe) {
    case MediaProbe::kAudio: return ReadResult::kOk;
    case MediaProbe::kNoAudio: return ReadResult::kNoSound;
    case MediaProbe::kUnsupportedCodec: return ReadResult::kUnsupportedCodec;
    case MediaProbe::kCannotRead: return ReadResult::kCannotOpen;
    case MediaProbe::kUndecodable:
    case MediaProbe::kNotRecognised: break;
  }
  return ReadResult::kConvertFailed;
}

// One read: the worker runs it, the calling thread waits for it and reads
// the outcome once the worker is joined.
struct MediaDecodeJob {
  MediaReader reader;
  // Raised by the calling thread on a cancel; the sink and the decode both
  // poll it.
  std::atomic<bool> stop{false};
  // The demuxer's position in the file, for the progress report.
  std::atomic<int> percent{0};
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;  // guarded by mutex

  ReadResult result = ReadResult::kOk;
  MediaDecodeEnd end = MediaDecodeEnd::kComplete;
  std::unique_ptr<uint8_t[]> data;
  uint64_t length = 0;

  void Run(const std::string& path, uint64_t mostBytes) {
    result = Decode(path, mostBytes);
    const std::lock_guard<std::mutex> lock(mutex);
    done = true;
    finished.notify_one();
  }

 private:
  ReadResult Decode(const std::string& path, uint64_t mostBytes) {
    const ReadResult recognised = FromProbe(reader.Open(path));
    if (recognised != ReadResult::kOk) return recognised;
    EncodeStage sink(&stop);
    const ConvertResult opened = sink.Open(MakeFormatRecord(WorkingFormat()));
    if (opened != ConvertResult::kOk)
      return opened == ConvertResult::kOutOfMemory ? ReadResult::kOutOfMemory : ReadResult::kConvertFailed;
    // One allocation for the whole sound when the container says how long
    // it is, as far as the file's size makes that believable.
    const uint64_t believable = reader.fileSize() * kMostExpansion / kWorkingBlockAlign;
    const uint64_t frames = std::min({reader.ExpectedWorkingFrames(), believable, mostBytes / kWorkingBlockAlign});
    if (frames > 0) {
      sink.Reserve(frames);
      if (sink.output().size() == 0 && sink.output().data() != nullptr)
        AdviseLargePages(sink.output().end(), frames * kWorkingBlockAlign);
    }
    end = reader.Decode(sink, &stop, &percent, mostBytes);
    if (end == MediaDecodeEnd::kStopped) return ReadResult::kCancelled;
    if (end == MediaDecodeEnd::kOutOfMemory) return ReadResult::kOutOfMemory;
    // The resampler holds back the end of the sound for its filter.
    const ConvertResult drained = sink.Finish();
    if (drained != ConvertResult::kOk) {
      if (stop.load(std::memory_order_relaxed)) return ReadResult::kCancelled;
      return drained == ConvertResult::kOutOfMemory ? ReadResult::kOutOfMemory : ReadResult::kConvertFailed;
    }
    data = sink.output().Take(&length);
    if (!data && length != 0) return ReadResult::kOutOfMemory;
    // The limit is checked between frames: the last one may go past it.
    length = std::min(length, mostBytes - mostBytes % kWorkingBlockAlign);
    return end == MediaDecodeEnd::kComplete ? ReadResult::kOk : ReadResult::kDamaged;
  }
};

}  // namespace

ReadResult CSound::ReadMediaFile(ProgressReport& progress, DamagedStream* damage, uint64_t mostBytes) {
  media = MediaStreamInfo();
  if (damage != nullptr) *damage = DamagedStream();
  std::unique_ptr<MediaDecodeJob> job(new (std::nothrow) MediaDecodeJob);
  if (!job) return ReadResult::kOutOfMemory;
  std::thread worker;
  try {
    worker = std::thread(&MediaDecodeJob::Run, job.get(), path, mostBytes);
  } catch (const std::system_error&) {
    return ReadResult::kOutOfMemory;
  }
  // Polled at least once: a cancel is honoured even when the worker was
  // quicker, so that pressing Cancel always keeps nothing.
  bool cancelled = false;
  for (;;) {
    if (!progress.Poll(job->percent.load(std::memory_order_relaxed))) {
      cancelled = true;
      job->stop.store(true, std::memory_order_relaxed);
      break;
    }
    std::unique_lock<std::mutex> lock(job->mutex);
    if (job->finished.wait_for(lock, kPollInterval, [&job] { return job->done; })) break;
  }
  worker.join();

  ReadResult result = cancelled ? ReadResult::kCancelled : job->result;
  if (result != ReadResult::kCancelled) media = job->reader.info();
  // The probe decoded a frame, so some sound comes out; a layer of nothing
  // would be no sound at all.
  if ((result == ReadResult::kOk || result == ReadResult::kDamaged) && (!job->data || job->length == 0))
    result = ReadResult::kConvertFailed;
  if (result != ReadResult::kOk && result != ReadResult::kDamaged) return result;

  std::memcpy(riffId, "RIFF", 5);
  std::memcpy(waveId, "WAVE", 5);
  riffSize = static_cast<uint32_t>(std::min<uint64_t>(job->reader.fileSize(), UINT32_MAX));
  formatSize = 18;
  fileFormat = MakeFormatRecord(WorkingFormat());
  workingFormat = WorkingFormat();
  AVDictionary* const metadata[] = {job->reader.containerMetadata(), job->reader.streamMetadata()};
  ReadMediaTags(metadata, &tags);
  const uint64_t frames = job->length / kWorkingBlockAlign;
  AppendLayer(std::string(), std::move(job->data), job->length);
  if (result == ReadResult::kDamaged && damage != nullptr) {
    damage->decodedFrames = frames;
    damage->decodedMilliseconds = Milliseconds(frames);
    damage->statedFrames = job->reader.StatedWorkingFrames();
    damage->statedMilliseconds = Milliseconds(damage->statedFrames);
    damage->tooLong = job->end == MediaDecodeEnd::kLimitReached;
  }
  return result;
}
