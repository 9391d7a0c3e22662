// The conversion steps and the worker thread around them. The steps keep the
// order the program has always followed (equal formats untouched, 24- and
// 32-bit PCM cut to 16 bits first, then through the intermediate PCM), so
// that files open to the same samples as before; the codecs behind them are
// FFmpeg's.
#include "core/model/wave_converter.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

#include "core/model/decode_stage.h"
#include "core/model/encode_stage.h"
#include "core/model/mp3_decoder.h"

namespace {

// The depth of a PCM source (plain or extensible), 0 for other formats.
uint16_t PcmSourceBits(const FormatRecord& source) {
  const WaveFormat head = ParseWaveFormat(source);
  if (head.formatTag == kFormatPCM) return head.bitsPerSample;
  ExtensibleFormat extensible;
  if (ParseExtensible(source, &extensible) && extensible.subFormatTag == kFormatPCM) {
    return head.bitsPerSample;
  }
  return 0;
}

// Rewrites a PCM record to say 16 bits.
void MakeSixteenBit(FormatRecord& source) {
  WaveFormat head = ParseWaveFormat(source);
  head.bitsPerSample = 16;
  head.blockAlign = static_cast<uint16_t>(head.channels * 2);
  head.avgBytesPerSec = head.samplesPerSec * head.blockAlign;
  if (source.size() < kWaveFormatHeadSize) source.resize(kWaveFormatHeadSize, 0);
  uint8_t* p = source.data();
  WriteLE32(p + 8, head.avgBytesPerSec);
  WriteLE16(p + 12, head.blockAlign);
  WriteLE16(p + 14, head.bitsPerSample);
  if (head.formatTag == kFormatExtensible) WriteLE16(p + kWaveFormatHeadSize, 16);  // valid bits
}

// The unit the data of `source` may be cut at without splitting a sample
// frame or a codec block.
uint64_t SplitUnit(const FormatRecord& source) {
  const WaveFormat head = ParseWaveFormat(source);
  const uint64_t pcmBits = PcmSourceBits(source);
  const uint64_t unit = pcmBits != 0 ? head.channels * pcmBits / 8 : head.blockAlign;
  return unit == 0 ? 1 : unit;
}

}  // namespace

CWaveConverter::CWaveConverter() = default;

CWaveConverter::~CWaveConverter() { StopWorker(); }

void CWaveConverter::StopWorker() {
  if (!m_worker.joinable()) return;
  m_stop.store(true, std::memory_order_relaxed);
  m_worker.join();
}

void CWaveConverter::Start(FormatRecord* source, FormatRecord* target, std::unique_ptr<uint8_t[]> data,
                           uint64_t length, uint64_t largestBlock) {
  StopWorker();
  m_source = source;
  m_target = target;
  m_blocks.clear();
  m_result = OutputBlock();
  m_stop.store(false, std::memory_order_relaxed);
  m_failed.store(false, std::memory_order_release);
  m_currentBlock.store(0, std::memory_order_relaxed);

  const uint64_t unit = SplitUnit(*source);
  uint64_t blockSize = largestBlock - largestBlock % unit;
  if (blockSize == 0) blockSize = unit;
  m_blockCount = static_cast<uint32_t>(length / blockSize + 1);
  try {
    if (length <= blockSize) {
      // One block: the data itself, no copy.
      m_blocks.push_back(Block{std::move(data), length});
    } else {
      m_blocks.reserve(m_blockCount);
      for (uint64_t offset = 0; offset < length; offset += blockSize) {
        const uint64_t size = std::min(blockSize, length - offset);
        Block block{std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]), size};
        if (!block.data) throw std::bad_alloc();
        std::memcpy(block.data.get(), data.get() + offset, size);
        m_blocks.push_back(std::move(block));
      }
      data.reset();
    }
  } catch (const std::bad_alloc&) {
    m_blocks.clear();
    m_failed.store(true, std::memory_order_release);
    return;
  }

  m_busy.store(true, std::memory_order_release);
  try {
    m_worker = std::thread(&CWaveConverter::Work, this);
  } catch (const std::system_error&) {
    m_busy.store(false, std::memory_order_release);
    m_failed.store(true, std::memory_order_release);
  }
}

void CWaveConverter::Work() {
  const ConvertResult result = ConvertBlocks(*m_source, *m_target, m_blocks, &m_result, true);
  if (result != ConvertResult::kOk) m_failed.store(true, std::memory_order_release);
  m_busy.store(false, std::memory_order_release);
}

void CWaveConverter::Collect(std::unique_ptr<uint8_t[]>* data, uint64_t* length) {
  data->reset();
  *length = 0;
  if (m_busy.load(std::memory_order_acquire)) {
    // The caller gave up waiting. The worker still holds the blocks and the
    // two records: it must be gone before any of them is released.
    StopWorker();
    m_failed.store(true, std::memory_order_release);
  } else if (m_worker.joinable()) {
    m_worker.join();
  }
  if (!m_failed.load(std::memory_order_acquire)) *data = m_result.Take(length);
  m_result = OutputBlock();
  m_blocks.clear();
  m_blocks.shrink_to_fit();
}

ConvertResult CWaveConverter::Convert(FormatRecord& source, FormatRecord& target, std::unique_ptr<uint8_t[]>* data,
                                      uint64_t* length) {
  if (AreEqualFormats(source, target)) return ConvertResult::kOk;
  std::vector<Block> blocks;
  try {
    blocks.push_back(Block{std::move(*data), *length});
  } catch (const std::bad_alloc&) {
    return ConvertResult::kOutOfMemory;
  }
  OutputBlock output;
  const ConvertResult result = ConvertBlocks(source, target, blocks, &output, false);
  if (result != ConvertResult::kOk) {
    // The data stay as they are (cut to 16 bits if that step was reached).
    *data = std::move(blocks[0].data);
    *length = blocks[0].length;
    return result;
  }
  *data = output.Take(length);
  return ConvertResult::kOk;
}

namespace {

// Cuts 24- and 32-bit PCM to 16 bits as files have always been opened here:
// a 24-bit sample keeps its two most significant bytes, a 32-bit sample is
// divided by 65,536 with the quotient truncated toward zero (so -1 becomes
// -1 from 24 bits but 0 from 32 bits). A trailing partial sample is dropped.
ConvertResult NarrowPcm(std::unique_ptr<uint8_t[]>* data, uint64_t* length, uint16_t bits) {
  const uint64_t bytesPerSample = bits / 8u;
  const uint64_t count = *length / bytesPerSample;
  std::unique_ptr<uint8_t[]> narrow(new (std::nothrow) uint8_t[count * 2 + 1]);
  if (!narrow) return ConvertResult::kOutOfMemory;
  const uint8_t* in = data->get();
  uint8_t* out = narrow.get();
  if (bits == 24) {
    for (uint64_t i = 0; i < count; ++i, in += 3, out += 2) {
      out[0] = in[1];
      out[1] = in[2];
    }
  } else {
    for (uint64_t i = 0; i < count; ++i, in += 4, out += 2) {
      const auto sample = static_cast<int32_t>(ReadLE32(in));
      WriteLE16(out, static_cast<uint16_t>(static_cast<int16_t>(sample / 65536)));
    }
  }
  *data = std::move(narrow);
  *length = count * 2;
  return ConvertResult::kOk;
}

}  // namespace

ConvertResult CWaveConverter::ConvertBlocks(FormatRecord& source, FormatRecord& target, std::vector<Block>& blocks,
                                            OutputBlock* output, bool releaseConsumed) {
  uint64_t total = 0;
  for (const Block& block : blocks) total += block.length;

  if (AreEqualFormats(source, target)) {
    for (Block& block : blocks) {
      if (output->size() == 0 && blocks.size() == 1) {
        output->Adopt(std::move(block.data), block.length);
      } else if (!output->Append(block.data.get(), block.length)) {
        return ConvertResult::kOutOfMemory;
      }
    }
    return ConvertResult::kOk;
  }

  // 24- and 32-bit PCM is cut to 16 bits before any codec sees it; the
  // source record changes with it.
  const uint16_t pcmBits = PcmSourceBits(source);
  const bool sourceIsPcm = pcmBits != 0;
  uint16_t narrowFrom = 0;
  if (sourceIsPcm) {
    switch (pcmBits) {
      case 8: case 16: break;
      case 24: case 32: narrowFrom = pcmBits; break;
      default: return ConvertResult::kFailed;
    }
  }
  if (narrowFrom != 0) {
    MakeSixteenBit(source);
    total = total / (narrowFrom / 8u) * 2;
  }

  // The target completed with what its codec needs (the intermediate PCM
  // is the target's channels and rate). A PCM source hands the completed
  // record back to the caller, who writes it into the file.
  FormatRecord completed;
  if (SuggestFormat(ParseWaveFormat(target), &completed) != ConvertResult::kOk) return ConvertResult::kFailed;
  if (sourceIsPcm) target = completed;

  // Equal once cut to 16 bits: the cut samples are the result.
  const bool passThrough = AreEqualFormats(source, completed);
  const bool mp3Source = ParseWaveFormat(source).formatTag == kFormatMPEGLayer3;

  EncodeStage sink(&m_stop);
  DecodeStage decoder(&m_stop);
  if (!passThrough) {
    const ConvertResult sinkOpened = sink.Open(completed);
    if (sinkOpened != ConvertResult::kOk) return sinkOpened;
    if (narrowFrom != 0) sink.ResampleInFloat();
    if (!mp3Source) {
      const ConvertResult decoderOpened = decoder.Open(source);
      if (decoderOpened != ConvertResult::kOk) return decoderOpened;
      const WaveFormat head = ParseWaveFormat(source);
      sink.Reserve(decoder.EstimateFrames(total) * sink.targetRate() / head.samplesPerSec);
    }
  }
  if (total == 0) return ConvertResult::kOk;

  if (mp3Source && !passThrough) {
    std::vector<ByteSpan> pieces;
    try {
      for (const Block& block : blocks) pieces.push_back(ByteSpan{block.data.get(), block.length});
    } catch (const std::bad_alloc&) {
      return ConvertResult::kOutOfMemory;
    }
    const ConvertResult decoded = DecodeMp3Stream(pieces, sink, &m_stop);
    if (decoded != ConvertResult::kOk) return decoded;
    if (releaseConsumed) blocks.clear();
  } else {
    for (size_t i = 0; i < blocks.size(); ++i) {
      if (m_stop.load(std::memory_order_relaxed)) return ConvertResult::kFailed;
      m_currentBlock.store(static_cast<uint32_t>(i), std::memory_order_relaxed);
      Block& block = blocks[i];
      if (narrowFrom != 0) {
        const ConvertResult narrowed = NarrowPcm(&block.data, &block.length, narrowFrom);
        if (narrowed != ConvertResult::kOk) return narrowed;
      }
      if (passThrough) {
        if (blocks.size() == 1) {
          output->Adopt(std::move(block.data), block.length);
        } else if (!output->Append(block.data.get(), block.length)) {
          return ConvertResult::kOutOfMemory;
        }
      } else {
        const ConvertResult fed = decoder.Feed(block.data.get(), block.length, sink);
        if (fed != ConvertResult::kOk) return fed;
      }
      if (releaseConsumed) {
        block.data.reset();
        block.length = 0;
      }
    }
    if (passThrough) return ConvertResult::kOk;
    const ConvertResult finished = decoder.Finish(sink);
    if (finished != ConvertResult::kOk) return finished;
    if (decoder.framesDecoded() == 0) return ConvertResult::kFailed;
  }
  const ConvertResult finished = sink.Finish();
  if (finished != ConvertResult::kOk) return finished;
  *output = std::move(sink.output());
  return ConvertResult::kOk;
}
