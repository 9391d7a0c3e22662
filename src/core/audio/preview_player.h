// The preview player: one sound in the working format played once, from its
// start, on the output device, as the clipboard manager's clip preview and
// the record dialog's preview of the recording do. It makes the output
// buffer, fills it (from bytes in memory or from a reader), plays it, tells
// its owner when it has played to its end, and stops it.
//
// It runs no timer of its own: the core has no clock to run one on. The
// window that owns it asks HasEnded every kPollMilliseconds while a preview
// plays, and runs nothing while none does.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class SoundOutputBuffer;
class SoundOutputDevice;

enum class PreviewStart {
  kPlaying,
  kNothingToPlay,  // no bytes, or less than a frame
  kNoDevice,       // there is no output device
  kCannotPlay,     // the device made no buffer, or the buffer would not play
};

class PreviewPlayer {
 public:
  // How often the owner asks HasEnded while a preview plays.
  static constexpr int kPollMilliseconds = 40;
  // An output buffer states its size in 32 bits: a longer sound previews as
  // much of its start as fits, in whole frames.
  static constexpr uint64_t kLargestPreview = 0xFFFFFFFCu;

  // Fills `into` with the first `bytes` bytes of the sound; returns how many
  // it filled (the rest is played as silence).
  using Reader = std::function<uint64_t(uint8_t* into, uint64_t bytes)>;

  PreviewPlayer();
  // Stops a preview that still plays.
  ~PreviewPlayer();
  PreviewPlayer(const PreviewPlayer&) = delete;
  PreviewPlayer& operator=(const PreviewPlayer&) = delete;

  // Stops any preview, then plays `length` bytes at `bytes` on `device`.
  [[nodiscard]] PreviewStart Play(SoundOutputDevice* device, const uint8_t* bytes, uint64_t length);
  // The same for a sound of `length` bytes that `read` delivers.
  [[nodiscard]] PreviewStart Play(SoundOutputDevice* device, uint64_t length, const Reader& read);

  // True from a successful Play until Stop.
  bool IsActive() const { return m_buffer != nullptr; }
  // True once the preview has played to its end, or its buffer no longer
  // says where it is, or none plays; the owner then calls Stop.
  bool HasEnded();
  // Stops the preview and releases its buffer; nothing when none plays.
  void Stop();

 private:
  std::unique_ptr<SoundOutputBuffer> m_buffer;
};
