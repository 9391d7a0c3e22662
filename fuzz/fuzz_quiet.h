// FFmpeg reports every damaged packet on stderr; under a fuzzer that is
// millions of lines that hide the findings. Included once per target.
#pragma once

extern "C" {
#include <libavutil/log.h>
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  av_log_set_level(AV_LOG_QUIET);
  return 0;
}
