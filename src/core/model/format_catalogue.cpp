// The list of save formats. Every record comes from SuggestFormat, the same
// completion the converter applies to its target, so what the chooser shows
// is exactly what the file will say.
#include "core/model/format_catalogue.h"

#include <string_view>

#include "core/model/codec_format.h"

namespace {

// Built forwards rather than by inserting commas: g++ 12 at -O2 and above
// warns (-Wrestrict, wrongly) on std::string::insert here.
std::string GroupThousands(uint32_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
    grouped.push_back(digits[i]);
  }
  return grouped;
}

const char* ChannelText(uint16_t channels) { return channels == 1 ? "Mono" : "Stereo"; }

struct Builder {
  std::vector<CatalogueFormat> formats;

  void Add(std::string_view name, uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
           uint32_t kbps = 0) {
    WaveFormat wanted;
    wanted.formatTag = tag;
    wanted.channels = channels;
    wanted.samplesPerSec = rate;
    wanted.bitsPerSample = bits;
    wanted.avgBytesPerSec = kbps * 1000 / 8;
    CatalogueFormat entry;
    if (SuggestFormat(wanted, &entry.record) != ConvertResult::kOk) return;
    const WaveFormat head = ParseWaveFormat(entry.record);
    entry.formatTag = tag;
    entry.channels = channels;
    entry.samplesPerSec = rate;
    entry.bitsPerSample = head.bitsPerSample;
    entry.bitRate = head.avgBytesPerSec * 8;
    entry.formatName = name;
    if (tag == kFormatMPEGLayer3) {
      entry.attributes = std::to_string(entry.bitRate / 1000) + " kBit/s, ";
    }
    entry.attributes += GroupThousands(rate) + " Hz, ";
    if (head.bitsPerSample != 0) entry.attributes += std::to_string(head.bitsPerSample) + " Bit, ";
    entry.attributes += ChannelText(channels);
    entry.bytesPerSecond = std::to_string((head.avgBytesPerSec + 512) / 1024) + " KB/sec";
    formats.push_back(std::move(entry));
  }
};

std::vector<CatalogueFormat> BuildCatalogue() {
  Builder b;
  constexpr uint32_t kPcmRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 96000};
  constexpr uint32_t kTelephoneRates[] = {8000, 11025, 22050, 44100};
  for (uint16_t bits : {8, 16, 24, 32}) {
    for (uint32_t rate : kPcmRates) {
      for (uint16_t channels : {1, 2}) b.Add("PCM", kFormatPCM, channels, rate, bits);
    }
  }
  for (uint32_t rate : kPcmRates) {
    for (uint16_t channels : {1, 2}) b.Add("IEEE Float", kFormatIEEEFloat, channels, rate, 32);
  }
  for (uint32_t rate : kTelephoneRates) {
    for (uint16_t channels : {1, 2}) b.Add("CCITT A-Law", kFormatALaw, channels, rate, 8);
  }
  for (uint32_t rate : kTelephoneRates) {
    for (uint16_t channels : {1, 2}) b.Add("CCITT u-Law", kFormatMuLaw, channels, rate, 8);
  }
  for (uint32_t rate : kTelephoneRates) {
    for (uint16_t channels : {1, 2}) b.Add("MS ADPCM", kFormatMSADPCM, channels, rate, 4);
  }
  for (uint32_t rate : kTelephoneRates) {
    for (uint16_t channels : {1, 2}) b.Add("IMA ADPCM", kFormatIMAADPCM, channels, rate, 4);
  }
  b.Add("GSM 6.10", kFormatGSM610, 1, 8000, 0);
  struct Mp3Choice {
    uint32_t rate;
    uint16_t channels;
    uint32_t kbps;
  };
  constexpr Mp3Choice kMp3Choices[] = {
      {8000, 1, 16},   {11025, 1, 24},  {16000, 1, 32},  {22050, 1, 32},  {22050, 2, 64},
      {24000, 2, 64},  {32000, 2, 96},  {44100, 1, 64},  {44100, 1, 96},  {44100, 2, 128},
      {44100, 2, 160}, {44100, 2, 192}, {44100, 2, 256}, {44100, 2, 320}, {48000, 2, 128},
      {48000, 2, 192}, {48000, 2, 320}};
  for (const Mp3Choice& c : kMp3Choices) b.Add("MPEG Layer-3", kFormatMPEGLayer3, c.channels, c.rate, 0, c.kbps);
  return std::move(b.formats);
}

}  // namespace

const std::vector<CatalogueFormat>& FormatCatalogue() {
  static const std::vector<CatalogueFormat> catalogue = BuildCatalogue();
  return catalogue;
}

std::vector<std::string> CatalogueFormatNames() {
  std::vector<std::string> names;
  for (const CatalogueFormat& f : FormatCatalogue()) {
    if (names.empty() || names.back() != f.formatName) names.push_back(f.formatName);
  }
  return names;
}
