// Format records of the codecs we encode: block sizes chosen the way the
// established wave codecs choose them, so that the files we write match what
// other programs expect of a 22,050 Hz IMA ADPCM or an 8,000 Hz GSM file.
#include "core/model/codec_format.h"

#include <array>
#include <cstring>

namespace {

constexpr uint32_t kLowestRate = 2000;
constexpr uint32_t kHighestRate = 192000;

constexpr uint16_t kMp3Mpeg1Rates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr uint16_t kMp3Mpeg2Rates[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

// GSM 6.10 as wave files carry it: two 160-sample frames packed in 65 bytes.
constexpr uint16_t kGsmBlockAlign = 65;
constexpr uint16_t kGsmSamplesPerBlock = 320;
constexpr uint32_t kGsmRate = 8000;

// The seven predictor pairs every MS ADPCM record lists, in this order.
constexpr std::array<std::array<int16_t, 2>, 7> kMsAdpcmCoefficients = {{
    {256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}}};

bool IsMpeg1Rate(uint32_t rate) { return rate == 32000 || rate == 44100 || rate == 48000; }

// ADPCM blocks grow with the rate: 256 bytes per channel up to 11,025 Hz,
// doubled for each doubling above (512 at 22,050, 1,024 at 44,100), kept a
// power of two because the encoder wants one.
uint16_t AdpcmBlockAlign(uint16_t channels, uint32_t rate) {
  uint32_t multiple = 1;
  while (multiple * 2 <= rate / 11025 && multiple < 16) multiple *= 2;
  return static_cast<uint16_t>(256 * channels * multiple);
}

void PutLE16(std::vector<uint8_t>* extra, uint16_t value) {
  extra->push_back(static_cast<uint8_t>(value));
  extra->push_back(static_cast<uint8_t>(value >> 8));
}

}  // namespace

bool AreEqualFormats(const FormatRecord& a, const FormatRecord& b) {
  uint8_t headA[16] = {};
  uint8_t headB[16] = {};
  std::memcpy(headA, a.data(), a.size() < 16 ? a.size() : 16);
  std::memcpy(headB, b.data(), b.size() < 16 ? b.size() : 16);
  return std::memcmp(headA, headB, 16) == 0;
}

bool ParseExtensible(const FormatRecord& record, ExtensibleFormat* format) {
  const WaveFormat head = ParseWaveFormat(record);
  constexpr size_t kExtensibleExtra = 22;
  if (head.formatTag != kFormatExtensible || head.extraSize < kExtensibleExtra ||
      record.size() < kWaveFormatHeadSize + kExtensibleExtra) {
    return false;
  }
  const uint8_t* extra = record.data() + kWaveFormatHeadSize;
  format->validBits = ReadLE16(extra);
  format->channelMask = ReadLE32(extra + 2);
  // The sub-format GUID is the old tag followed by a fixed tail; only the
  // tag matters here.
  format->subFormatTag = ReadLE16(extra + 6);
  return true;
}

Mp3BitRates AllowedMp3BitRates(uint32_t rate) {
  if (IsMpeg1Rate(rate)) return {kMp3Mpeg1Rates, std::size(kMp3Mpeg1Rates)};
  switch (rate) {
    case 8000: case 11025: case 12000:
      // MPEG 2.5 stops at 64 kbit/s.
      return {kMp3Mpeg2Rates, 8};
    case 16000: case 22050: case 24000:
      return {kMp3Mpeg2Rates, std::size(kMp3Mpeg2Rates)};
    default:
      return {};
  }
}

ConvertResult SuggestFormat(const WaveFormat& wanted, FormatRecord* record) {
  WaveFormat f;
  f.formatTag = wanted.formatTag;
  f.channels = wanted.channels;
  f.samplesPerSec = wanted.samplesPerSec;
  std::vector<uint8_t> extra;
  const bool monoOrStereo = f.channels == 1 || f.channels == 2;
  const bool rateInRange = f.samplesPerSec >= kLowestRate && f.samplesPerSec <= kHighestRate;

  switch (wanted.formatTag) {
    case kFormatPCM:
      if (!monoOrStereo || !rateInRange) return ConvertResult::kFailed;
      if (wanted.bitsPerSample != 8 && wanted.bitsPerSample != 16 && wanted.bitsPerSample != 24 &&
          wanted.bitsPerSample != 32) {
        return ConvertResult::kFailed;
      }
      f.bitsPerSample = wanted.bitsPerSample;
      f.blockAlign = static_cast<uint16_t>(f.channels * f.bitsPerSample / 8);
      f.avgBytesPerSec = f.samplesPerSec * f.blockAlign;
      break;
    case kFormatIEEEFloat:
      if (!monoOrStereo || !rateInRange || wanted.bitsPerSample != 32) return ConvertResult::kFailed;
      f.bitsPerSample = 32;
      f.blockAlign = static_cast<uint16_t>(f.channels * 4);
      f.avgBytesPerSec = f.samplesPerSec * f.blockAlign;
      break;
    case kFormatALaw:
    case kFormatMuLaw:
      if (!monoOrStereo || !rateInRange) return ConvertResult::kFailed;
      f.bitsPerSample = 8;
      f.blockAlign = f.channels;
      f.avgBytesPerSec = f.samplesPerSec * f.blockAlign;
      break;
    case kFormatIMAADPCM: {
      if (!monoOrStereo || !rateInRange) return ConvertResult::kFailed;
      f.bitsPerSample = 4;
      f.blockAlign = AdpcmBlockAlign(f.channels, f.samplesPerSec);
      // A 4-byte header per channel holds the first sample, then two
      // samples per byte.
      const uint16_t samplesPerBlock =
          static_cast<uint16_t>((f.blockAlign - 4 * f.channels) * 2 / f.channels + 1);
      f.avgBytesPerSec = static_cast<uint32_t>(
          static_cast<uint64_t>(f.samplesPerSec) * f.blockAlign / samplesPerBlock);
      PutLE16(&extra, samplesPerBlock);
      break;
    }
    case kFormatMSADPCM: {
      if (!monoOrStereo || !rateInRange) return ConvertResult::kFailed;
      f.bitsPerSample = 4;
      f.blockAlign = AdpcmBlockAlign(f.channels, f.samplesPerSec);
      // A 7-byte header per channel holds the first two samples.
      const uint16_t samplesPerBlock =
          static_cast<uint16_t>((f.blockAlign - 7 * f.channels) * 2 / f.channels + 2);
      f.avgBytesPerSec = static_cast<uint32_t>(
          static_cast<uint64_t>(f.samplesPerSec) * f.blockAlign / samplesPerBlock);
      PutLE16(&extra, samplesPerBlock);
      PutLE16(&extra, static_cast<uint16_t>(kMsAdpcmCoefficients.size()));
      for (const auto& pair : kMsAdpcmCoefficients) {
        PutLE16(&extra, static_cast<uint16_t>(pair[0]));
        PutLE16(&extra, static_cast<uint16_t>(pair[1]));
      }
      break;
    }
    case kFormatGSM610:
      if (f.channels != 1 || f.samplesPerSec != kGsmRate) return ConvertResult::kFailed;
      f.bitsPerSample = 0;
      f.blockAlign = kGsmBlockAlign;
      f.avgBytesPerSec = kGsmRate * kGsmBlockAlign / kGsmSamplesPerBlock;
      PutLE16(&extra, kGsmSamplesPerBlock);
      break;
    case kFormatMPEGLayer3: {
      const Mp3BitRates allowed = AllowedMp3BitRates(f.samplesPerSec);
      if (!monoOrStereo || allowed.count == 0) return ConvertResult::kFailed;
      const uint32_t wantedKbps = wanted.avgBytesPerSec * 8 / 1000;
      uint16_t kbps = allowed.rates[0];
      for (size_t i = 0; i < allowed.count; ++i) {
        const uint32_t r = allowed.rates[i];
        const uint32_t best = kbps;
        const uint32_t distance = r > wantedKbps ? r - wantedKbps : wantedKbps - r;
        const uint32_t bestDistance = best > wantedKbps ? best - wantedKbps : wantedKbps - best;
        if (distance < bestDistance) kbps = allowed.rates[i];
      }
      f.bitsPerSample = 0;
      f.blockAlign = 1;
      f.avgBytesPerSec = kbps * 1000u / 8;
      const uint32_t samplesPerFrame = IsMpeg1Rate(f.samplesPerSec) ? 1152 : 576;
      // The frame length without its padding byte.
      const uint16_t frameBytes =
          static_cast<uint16_t>(samplesPerFrame / 8 * kbps * 1000u / f.samplesPerSec);
      PutLE16(&extra, kMp3IdMpeg);
      extra.push_back(kMp3FlagPaddingIso);
      extra.push_back(0);
      extra.push_back(0);
      extra.push_back(0);
      PutLE16(&extra, frameBytes);
      PutLE16(&extra, 1);  // frames per block
      PutLE16(&extra, kMp3EncoderDelay);
      break;
    }
    default:
      return ConvertResult::kFailed;
  }
  *record = MakeFormatRecord(f, extra);
  return ConvertResult::kOk;
}

uint32_t SamplesPerBlock(const FormatRecord& record) {
  const WaveFormat head = ParseWaveFormat(record);
  const bool hasSamplesField = head.extraSize >= 2 && record.size() >= kWaveFormatHeadSize + 2;
  switch (head.formatTag) {
    case kFormatIMAADPCM:
    case kFormatMSADPCM:
    case kFormatGSM610:
      if (hasSamplesField) return ReadLE16(record.data() + kWaveFormatHeadSize);
      return head.formatTag == kFormatGSM610 ? kGsmSamplesPerBlock : 0;
    case kFormatMPEGLayer3:
      return IsMpeg1Rate(head.samplesPerSec) ? 1152 : 576;
    default:
      return 1;
  }
}
