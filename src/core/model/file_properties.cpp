// The file figures and the identity texts of the side panel, worked out from
// the working-format length, the file's name and its format record.
#include "core/model/file_properties.h"

#include "core/model/codec_format.h"

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

// What the side panel says for a format that stores no sample depth.
constexpr const char* kNoDepthText = "None (compressed stream)";

bool IsLayeredDocumentPath(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension == "tvf";
}

// A four-character code as the file holds it (its bytes as Latin-1), up to
// its first NUL.
std::string CodeText(const char* code) {
  std::string text;
  for (size_t i = 0; i < 4 && code[i] != '\0'; ++i) {
    const auto byte = static_cast<unsigned char>(code[i]);
    if (byte < 0x80) {
      text += static_cast<char>(byte);
    } else {
      text += static_cast<char>(0xC0 | (byte >> 6));
      text += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return text;
}

std::string BitDepthText(const WaveFormat& format) {
  if (format.bitsPerSample == 0) {
    switch (format.formatTag) {
      case kFormatMSADPCM:
      case kFormatIMAADPCM:
      case kFormatGSM610:
      case kFormatMPEGLayer3:
        return kNoDepthText;
      default:
        break;
    }
  }
  return std::to_string(format.bitsPerSample) + " bits";
}

}  // namespace

std::string FormatTagText(uint16_t formatTag) {
  switch (formatTag) {
    case kFormatPCM:
      return "WAVE_FORMAT_PCM (Uncompressed PCM)";
    case kFormatMSADPCM:
      return "WAVE_FORMAT_ADPCM (Adapative Differential)";
    case kFormatIEEEFloat:
      return "WAVE_FORMAT_IEEE_FLOAT (Floating Point)";
    case kFormatALaw:
      return "WAVE_FORMAT_ALAW (A-Law Compression)";
    case kFormatMuLaw:
      return "WAVE_FORMAT_MULAW (\u00B5-Law Compression)";
    case kFormatIMAADPCM:
      return "WAVE_FORMAT_IMA_ADPCM (Adapative Differential)";
    case kFormatGSM610:
      return "WAVE_FORMAT_GSM610 (GSM 6.10)";
    case kFormatMPEGLayer3:
      return "WAVE_FORMAT_MPEGLAYER3";
    case kFormatExtensible:
      return "WAVE_FORMAT_EXTENSIBLE";
    default:
      return "Unknown";
  }
}

FileIdentity DescribeFile(const std::string& path, const char* riffId, const char* waveId,
                          const FormatRecord& fileFormat) {
  const WaveFormat format = ParseWaveFormat(fileFormat);
  FileIdentity identity;
  identity.bitDepth = BitDepthText(format);
  if (IsLayeredDocumentPath(path)) {
    identity.fileType = "TVF, Layered Document";
    identity.formatTag = "Layered Document (Uncompressed PCM layers)";
    return identity;
  }
  identity.fileType = CodeText(riffId) + ", " + CodeText(waveId);
  identity.formatTag = FormatTagText(format.formatTag);
  // An extensible record carries its real format inside; name that too.
  ExtensibleFormat extensible;
  if (ParseExtensible(fileFormat, &extensible)) {
    if (extensible.subFormatTag == kFormatPCM)
      identity.formatTag += " (Uncompressed PCM)";
    else if (extensible.subFormatTag == kFormatIEEEFloat)
      identity.formatTag += " (Floating Point)";
  }
  return identity;
}

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

FileIdentity DescribeMediaStream(const MediaStreamInfo& media) {
  FileIdentity identity;
  identity.fileType = media.containerLongName.empty() ? media.containerName : media.containerLongName;
  identity.formatTag = media.codecLongName.empty() ? media.codecName : media.codecLongName;
  identity.bitDepth = media.bitsPerSample != 0 ? std::to_string(media.bitsPerSample) + " bits" : kNoDepthText;
  return identity;
}

FileProperties WorkOutMediaProperties(const MediaStreamInfo& media, uint64_t workingBytes) {
  const uint64_t frames = workingBytes / kWorkingBlockAlign;
  FileProperties figures;
  figures.milliseconds = frames * 1000 / kWorkingRate;
  figures.totalSamples = (frames * media.sampleRate + kWorkingRate / 2) / kWorkingRate;
  if (media.bitRate > 0)
    figures.totalBytes = (frames * static_cast<uint64_t>(media.bitRate) / 8 + kWorkingRate / 2) / kWorkingRate;
  else
    figures.totalBytes = figures.totalSamples * media.channels * ((media.bitsPerSample + 7u) / 8u);
  return figures;
}
