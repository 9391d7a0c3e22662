// Importing raw PCM: the first four bytes answer the import dialog (bits,
// channels and a rate that the dialog accepts), the rest is the file; the
// layer is then converted to the working format.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_quiet.h"
#include "core/model/raw_file.h"
#include "core/model/sound.h"
#include "core/model/working_format_conversion.h"
#include "fuzz/fuzz_input_file.h"

namespace {

class InputAnswers final : public RawPCMQuestions {
 public:
  explicit InputAnswers(const uint8_t* head) : m_head(head) {}
  bool Ask(RawPCMAnswers* answers) override {
    answers->bits = (m_head[0] & 3) * 8 + 8;
    answers->channels = (m_head[0] >> 2 & 1) + 1;
    // The dialog only lets rates of its range through.
    const uint32_t span = kRawRateMaximum - kRawRateMinimum + 1;
    const uint32_t pick = static_cast<uint32_t>(m_head[1] | m_head[2] << 8 | m_head[3] << 16);
    answers->rateText = std::to_string(kRawRateMinimum + pick % span);
    return true;
  }

 private:
  const uint8_t* m_head;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const FuzzInputFile file("raw");
  if (size < 4) return 0;
  if (!file.Write(data + 4, size - 4)) return 0;
  CSound sound;
  sound.path = file.path();
  InputAnswers answers(data);
  if (sound.ReadRawFile(answers) != ReadResult::kOk) return 0;
  (void)ConvertLayersToWorkingFormat(sound, ConvertOnCallingThread);
  return 0;
}
