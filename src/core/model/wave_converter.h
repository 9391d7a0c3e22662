// CWaveConverter: converts sample data between two wave formats, one
// conversion per object, on a worker thread while the caller waits (Start,
// then poll IsBusy, then Collect) or directly (Convert). Every conversion
// passes through an intermediate PCM in the target's channels and rate: the
// source is decoded and resampled into it, and the target is encoded from
// it, with FFmpeg's codecs and resampler doing the work.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "core/model/codec_format.h"
#include "core/model/output_block.h"
#include "core/model/wave_format.h"

class CWaveConverter {
 public:
  CWaveConverter();
  // Stops and joins a worker that is still running.
  ~CWaveConverter();

  CWaveConverter(const CWaveConverter&) = delete;
  CWaveConverter& operator=(const CWaveConverter&) = delete;

  // Hands `length` bytes of `data` in the format `*source` to a worker
  // thread that converts them to `*target`. The data are cut into blocks of
  // the largest multiple of the source's block size not above
  // `largestBlock` (callers pass 4,294,967,295: one block below 4 GiB); the
  // worker feeds them through one codec stream in order. Both records must
  // stay alive and untouched until Collect: the worker may complete them
  // as Convert does. When the blocks cannot be allocated, no worker starts
  // and the converter reports failure (HasFailed).
  void Start(FormatRecord* source, FormatRecord* target, std::unique_ptr<uint8_t[]> data,
             uint64_t length, uint64_t largestBlock);

  // True from Start until the worker has finished.
  bool IsBusy() const { return m_busy.load(std::memory_order_acquire); }
  // True once a block failed to convert or the wait was abandoned.
  bool HasFailed() const { return m_failed.load(std::memory_order_acquire); }

  // Takes the converted data. Called while the worker is still busy, the
  // wait counts as abandoned: the worker is told to stop and joined before
  // anything is freed, its result is discarded and the converter is marked
  // failed. A failed conversion hands out null and length 0.
  void Collect(std::unique_ptr<uint8_t[]>* data, uint64_t* length);

  // Converts `*length` bytes of `*data` from `source` to `target` in one
  // go: equal formats are left alone; 24- and 32-bit PCM is first cut to
  // 16 bits (and `source` changed to say so); for a PCM source, `target` is
  // completed with the fields and extra bytes its codec needs. On success
  // *data and *length hold the converted samples. Returns ConvertResult::kOk,
  // kFailed (format not supported, codec failure, nothing decodable in
  // non-empty data, or stopped) or kOutOfMemory.
  [[nodiscard]] ConvertResult Convert(FormatRecord& source, FormatRecord& target, std::unique_ptr<uint8_t[]>* data,
                                      uint64_t* length);

 private:
  struct Block {
    std::unique_ptr<uint8_t[]> data;
    uint64_t length = 0;
  };

  void Work();
  // The conversion itself, over blocks that form one stream. Input blocks
  // are released as soon as they have been consumed.
  // With `releaseConsumed`, each input block is freed once consumed;
  // otherwise the blocks stay (cut to 16 bits where that step ran).
  ConvertResult ConvertBlocks(FormatRecord& source, FormatRecord& target, std::vector<Block>& blocks,
                              OutputBlock* output, bool releaseConsumed);
  void StopWorker();

  // Written by the worker (cleared when it ends) and by Start; read by the
  // waiting thread's poll. Release/acquire: once it reads false, the
  // worker's result is complete.
  std::atomic<bool> m_busy{false};
  // Set by the worker when a block fails and by Collect when the wait is
  // abandoned; read by both threads.
  std::atomic<bool> m_failed{false};
  // Set by the waiting thread to make the worker give up; polled by the
  // worker between blocks and inside the codec loops.
  std::atomic<bool> m_stop{false};
  // The block the worker is converting, for progress displays.
  std::atomic<uint32_t> m_currentBlock{0};

  // The fields below belong to the worker between Start and its join.
  FormatRecord* m_source = nullptr;
  FormatRecord* m_target = nullptr;
  uint32_t m_blockCount = 0;
  std::vector<Block> m_blocks;
  OutputBlock m_result;
  std::thread m_worker;
};
