// Writes seed inputs made by the editor's own writers into the corpus folders
// that make_seeds.sh prepares: layered documents (for the document target),
// wave files in every format the editor saves (for the wave and clipboard
// targets) and converter inputs (a record and data, in both directions).
//
//   seed_writer <corpus root>   (the folders fuzz_<target> must exist)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/model/codec_format.h"
#include "core/model/sound.h"
#include "core/model/wave_converter.h"
#include "core/model/wave_file.h"

namespace {

// `frames` working-format frames of a quiet two-tone sound.
std::vector<uint8_t> WorkingSamples(uint32_t frames) {
  std::vector<uint8_t> bytes(frames * kWorkingBlockAlign);
  for (uint32_t i = 0; i < frames; ++i) {
    const auto left = static_cast<int16_t>(8000 * std::sin(i * 0.0627));
    const auto right = static_cast<int16_t>(6000 * std::sin(i * 0.1131));
    WriteLE16(&bytes[i * kWorkingBlockAlign], static_cast<uint16_t>(left));
    WriteLE16(&bytes[i * kWorkingBlockAlign + 2], static_cast<uint16_t>(right));
  }
  return bytes;
}

std::unique_ptr<uint8_t[]> Copy(const std::vector<uint8_t>& bytes) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size()]);
  std::memcpy(copy.get(), bytes.data(), bytes.size());
  return copy;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

// A converter input: the direction and record size byte, the record, the data.
std::vector<uint8_t> ConverterInput(bool toWorking, const FormatRecord& record, const uint8_t* data,
                                    uint64_t length) {
  std::vector<uint8_t> input;
  input.push_back(static_cast<uint8_t>((toWorking ? 0 : 0x80) | (record.size() & 0x7F)));
  input.insert(input.end(), record.begin(), record.end());
  input.insert(input.end(), data, data + length);
  return input;
}

bool WriteDocuments(const std::string& folder) {
  for (int layers = 1; layers <= 3; ++layers) {
    CSound sound;
    for (int i = 0; i < layers; ++i) {
      const std::vector<uint8_t> samples = WorkingSamples(200 + 150 * static_cast<uint32_t>(i));
      CSoundLayer& layer = sound.AppendLayer("take " + std::to_string(i), Copy(samples), samples.size());
      layer.offset = 400 * i;
      layer.envelopeOn = static_cast<uint8_t>(i != 1);
      layer.nodes = {{-1.0, 0}, {1.0, static_cast<int64_t>(samples.size() / 2)},
                     {0.25, static_cast<int64_t>(samples.size())}};
    }
    sound.tags[kTagTitle] = "seed";
    sound.tags[kTagArtist] = "fuzz";
    const std::string path = folder + "/seed" + std::to_string(layers) + ".tvf";
    if (sound.WriteDocumentFile(path) != WriteResult::kOk) return false;
  }
  return true;
}

bool WriteWaves(const std::string& root) {
  struct Wanted {
    const char* name;
    WaveFormat format;
  };
  const Wanted wanted[] = {
      {"pcm16", WaveFormat{}},
      {"pcm8mono", WaveFormat{kFormatPCM, 1, 22050, 0, 0, 8, 0}},
      {"pcm24", WaveFormat{kFormatPCM, 2, 48000, 0, 0, 24, 0}},
      {"float", WaveFormat{kFormatIEEEFloat, 2, 44100, 0, 0, 32, 0}},
      {"alaw", WaveFormat{kFormatALaw, 1, 8000, 0, 0, 8, 0}},
      {"mulaw", WaveFormat{kFormatMuLaw, 2, 11025, 0, 0, 8, 0}},
      {"ima", WaveFormat{kFormatIMAADPCM, 2, 22050, 0, 0, 4, 0}},
      {"msadpcm", WaveFormat{kFormatMSADPCM, 1, 22050, 0, 0, 4, 0}},
      {"gsm", WaveFormat{kFormatGSM610, 1, 8000, 0, 0, 0, 0}},
      {"mp3", WaveFormat{kFormatMPEGLayer3, 2, 44100, 16000, 0, 0, 0}},
  };
  TagSet tags;
  for (std::string& tag : tags) tag = std::string(kEmptyTag);
  tags[kTagTitle] = "seed";
  tags[kTagComments] = "written by the editor";
  const std::vector<uint8_t> samples = WorkingSamples(600);
  for (const Wanted& w : wanted) {
    FormatRecord record;
    if (SuggestFormat(w.format, &record) != ConvertResult::kOk) {
      std::fprintf(stderr, "seed_writer: no record for %s\n", w.name);
      continue;
    }
    FormatRecord working = MakeFormatRecord(WorkingFormat());
    std::unique_ptr<uint8_t[]> data = Copy(samples);
    uint64_t length = samples.size();
    CWaveConverter converter;
    if (converter.Convert(working, record, &data, &length) != ConvertResult::kOk) {
      std::fprintf(stderr, "seed_writer: cannot encode %s\n", w.name);
      continue;
    }
    const uint64_t frames = samples.size() / kWorkingBlockAlign;
    for (const char* target : {"fuzz_wave_open", "fuzz_clipboard_intake"}) {
      const std::string path = root + "/" + target + "/own-" + w.name + ".wav";
      if (WriteWaveFile(record, data.get(), length, path, &tags, frames) != WriteResult::kOk) return false;
      // The trailer goes behind the RIFF chunk, as a save appends it.
      const std::string trailer = WaveTagTrailer(tags);
      FILE* file = std::fopen(path.c_str(), "ab");
      if (file == nullptr) return false;
      std::fwrite(trailer.data(), 1, trailer.size(), file);
      std::fclose(file);
    }
    const std::string stem = root + "/fuzz_wave_converter/own-" + w.name;
    if (!WriteBytes(stem + "-in", ConverterInput(true, record, data.get(), std::min<uint64_t>(length, 2048))) ||
        !WriteBytes(stem + "-out", ConverterInput(false, record, samples.data(), 2048)))
      return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: seed_writer <corpus root>\n");
    return 2;
  }
  const std::string root = argv[1];
  if (!WriteDocuments(root + "/fuzz_document_open") || !WriteWaves(root)) {
    std::fprintf(stderr, "seed_writer: cannot write the seeds\n");
    return 1;
  }
  return 0;
}
