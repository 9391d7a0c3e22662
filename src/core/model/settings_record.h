// The user's preferences as six one-byte flags, owned by the application and
// handed to whatever part of the core reads them. The byte order is the order
// in which the flags are stored in the profile.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct SettingsRecord {
  uint8_t showCommonTasksAtStart = 1;
  uint8_t autoCreateEnvelope = 1;    // new layers start with a node at 0
  uint8_t flashRecordDialog = 1;
  uint8_t showClipboardOnCopy = 0;
  uint8_t quickSaveAsWave = 1;
  uint8_t zoomToFitOnOpen = 1;

  static constexpr int kSize = 6;
  bool operator==(const SettingsRecord&) const = default;

  // The flags in storage order.
  std::array<uint8_t, kSize> ToBytes() const {
    return {showCommonTasksAtStart, autoCreateEnvelope, flashRecordDialog,
            showClipboardOnCopy,    quickSaveAsWave,    zoomToFitOnOpen};
  }
  // Copies stored flags over the record: a shorter value replaces only the
  // leading flags, a longer one fills the six and nothing more.
  void ReadBytes(const uint8_t* bytes, size_t size) {
    uint8_t* flags[kSize] = {&showCommonTasksAtStart, &autoCreateEnvelope, &flashRecordDialog,
                             &showClipboardOnCopy,    &quickSaveAsWave,    &zoomToFitOnOpen};
    for (size_t i = 0; i < size && i < kSize; ++i) *flags[i] = bytes[i];
  }
};

// The defaults, for sounds made without an application (tests, scratch sounds).
const SettingsRecord& DefaultSettings();
