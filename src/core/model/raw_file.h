// Raw PCM import: a headerless file of samples, described by the user's
// answers (sample rate, bits, channels). The questions are asked through
// RawPCMQuestions, which the program's "Raw PCM Selections:" dialog answers;
// the rules for the rate text live here so that the dialog and the tests
// share them.
#pragma once

#include <cstdint>
#include <string>

#include "core/model/wave_format.h"

struct RawPCMAnswers {
  std::string rateText = "44,100";  // as typed; only its digits count
  int32_t bits = 16;                 // 8, 16, 24 or 32
  int32_t channels = 2;              // 1 or 2
};

class RawPCMQuestions {
 public:
  virtual ~RawPCMQuestions() = default;
  // Fills the answers; false when the user cancelled.
  virtual bool Ask(RawPCMAnswers* answers) = 0;
};

constexpr uint32_t kRawRateMinimum = 2000;
constexpr uint32_t kRawRateMaximum = 192000;

// The number the digits of `text` spell, every other character dropped
// ("44,100" gives 44100, "44.1k" gives 441, "" gives 0). Numbers too large
// for 32 bits give UINT32_MAX.
uint32_t RawRateFromText(const std::string& text);
// The digits of `text` alone.
std::string DigitsOf(const std::string& text);
inline bool IsAllowedRawRate(uint32_t rate) { return rate >= kRawRateMinimum && rate <= kRawRateMaximum; }

// The PCM format record the answers describe (18 bytes, extra size 0).
FormatRecord RawFormatRecord(const RawPCMAnswers& answers);
