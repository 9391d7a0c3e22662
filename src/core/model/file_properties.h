// What the side panel shows about the file a sound came from. The figures:
// how many samples it holds at its own rate, how many bytes they take in its
// own format, and how long it plays. After opening, the layers hold the sound
// in the working format, so the figures are worked out from the
// working-format length and the file's format record; counting the layers'
// bytes as if they were the file's own would be right for 16-bit 44.1 kHz
// stereo only. The identity: the kind of file, the name of its format tag and
// its sample depth, in words, for every format the converter reads or writes
// and for the layered document, which is no wave file at all.
#pragma once

#include <cstdint>
#include <string>

#include "core/model/media_reader.h"
#include "core/model/wave_format.h"

struct FileProperties {
  uint64_t totalSamples = 0;  // sample frames per channel, at the file's own rate
  uint64_t totalBytes = 0;    // what those samples take in the file's own format
  uint64_t milliseconds = 0;  // playing time, truncated
};

// `workingBytes` is the sound's length in the working format (the largest
// layer end). A record without a rate yields no samples and no bytes; the
// playing time never depends on the record.
FileProperties WorkOutFileProperties(const FormatRecord& fileFormat, uint64_t workingBytes);

// The texts of the identity rows and of the sample depth (UTF-8).
struct FileIdentity {
  std::string fileType;   // "RIFF, WAVE"; "TVF, Layered Document" for a layered document
  std::string formatTag;  // "WAVE_FORMAT_PCM (Uncompressed PCM)", ...
  std::string bitDepth;   // "16 bits"; "None (compressed stream)" for codecs without a sample depth
};

// The identity of the file at `path` as the sound read it: its RIFF and form
// ids and its format record. A layered document is known by its ".tvf"
// extension, the way the open flow knows it; its reader fills the ids and the
// record with the working format's, which describe its layers, not the file.
FileIdentity DescribeFile(const std::string& path, const char* riffId, const char* waveId,
                          const FormatRecord& fileFormat);

// The name of a format tag: the names the format's own headers give it,
// "Unknown" for a tag we neither read nor write.
std::string FormatTagText(uint16_t formatTag);

// The same for a sound file FFmpeg read (or the writer made), described by
// its stream: the container's and the codec's long names, the depth of a
// lossless stream ("None (compressed stream)" for a lossy one). The bytes
// are those of the stream at its bit rate, or of its samples at their depth
// when it states no bit rate.
FileIdentity DescribeMediaStream(const MediaStreamInfo& media);
FileProperties WorkOutMediaProperties(const MediaStreamInfo& media, uint64_t workingBytes);
