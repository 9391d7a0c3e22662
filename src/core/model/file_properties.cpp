// The file figures of the side panel, worked out from the working-format
// length and the file's format record.
#include "core/model/file_properties.h"

namespace {

constexpr uint64_t kWorkingRate = kWorkingSampleRate;

// Formats in which every block holds exactly one sample frame.
bool HoldsOneFramePerBlock(uint16_t formatTag) {
  switch (formatTag) {
    case kFormatPCM:
    case kFormatIEEEFloat:
    case kFormatALaw:
    case kFormatMuLaw:
    case kFormatExtensible:
      return true;
    default:
      return false;
  }
}

// Block codecs (the ADPCMs, GSM 6.10) say in their first extra word how many
// frames one block holds; 0 when the record does not say.
uint64_t FramesPerBlock(const FormatRecord& record, const WaveFormat& format) {
  if (format.formatTag != kFormatMSADPCM && format.formatTag != kFormatIMAADPCM &&
      format.formatTag != kFormatGSM610)
    return 0;
  if (format.extraSize < 2 || record.size() < kWaveFormatHeadSize + 2) return 0;
  return ReadLE16(record.data() + kWaveFormatHeadSize);
}

}  // namespace

FileProperties WorkOutFileProperties(const FormatRecord& fileFormat, uint64_t workingBytes) {
  const WaveFormat format = ParseWaveFormat(fileFormat);
  // At most 2^32 bytes: 2^30 frames, which times any 32-bit rate or byte
  // rate still fits 64 bits.
  const uint64_t frames = workingBytes / kWorkingBlockAlign;
  FileProperties figures;
  figures.milliseconds = frames * 1000 / kWorkingRate;
  // The converter resamples to 44.1 kHz and back to the nearest frame; the
  // nearest frame gives the file's own count back.
  figures.totalSamples = (frames * format.samplesPerSec + kWorkingRate / 2) / kWorkingRate;
  if (HoldsOneFramePerBlock(format.formatTag)) {
    figures.totalBytes = figures.totalSamples * format.blockAlign;
  } else if (const uint64_t perBlock = FramesPerBlock(fileFormat, format); perBlock > 0) {
    // A part-filled last block is stored whole.
    figures.totalBytes = (figures.totalSamples + perBlock - 1) / perBlock * format.blockAlign;
  } else {
    // Streams such as MP3 are known only by their average byte rate.
    figures.totalBytes = (frames * format.avgBytesPerSec + kWorkingRate / 2) / kWorkingRate;
  }
  return figures;
}
