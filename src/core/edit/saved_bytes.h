// The bytes a history entry keeps of a layer. Small copies stay in memory;
// a copy above the spill threshold (64 MiB unless told otherwise) goes to a
// temporary "SDF" file instead, so that a few edits of an hour-long sound do
// not hold several copies of it in memory. The file is unlinked as soon as
// it is made and reached through its descriptor, so that it goes with the
// object, or with the process should that end unexpectedly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class SavedBytes {
 public:
  static constexpr uint64_t kDefaultSpillThreshold = uint64_t{64} << 20;

  SavedBytes() = default;
  ~SavedBytes();
  SavedBytes(const SavedBytes&) = delete;
  SavedBytes& operator=(const SavedBytes&) = delete;

  // Keeps a copy of `length` bytes at `data`: in a temporary file when the
  // length exceeds `spillThreshold` (in memory if the file cannot be
  // written), otherwise in memory. False, with nothing kept, when neither
  // works.
  [[nodiscard]] bool Store(const uint8_t* data, uint64_t length, uint64_t spillThreshold);
  // Takes over a block the caller owns. Above the threshold it is written to
  // the temporary file and freed; when that fails the block is kept in
  // memory, so this never loses the bytes.
  void Adopt(std::unique_ptr<uint8_t[]> data, uint64_t length, uint64_t spillThreshold);
  // Hands the kept bytes out as a block: the block itself when they are in
  // memory (no copy, nothing kept afterwards), a new block read back from
  // the file otherwise (the file stays until the next Adopt or Clear).
  // False, with nothing changed, when the block cannot be allocated or the
  // file cannot be read.
  [[nodiscard]] bool Take(std::unique_ptr<uint8_t[]>* data);
  // Drops whatever is kept, removing the file.
  void Clear();

  uint64_t length() const { return m_length; }
  bool inFile() const { return m_fd >= 0; }
  // The name the file was made under (it is no longer in the folder).
  const std::string& filePath() const { return m_path; }
  // The file's size in bytes; 0 when the bytes are in memory.
  uint64_t fileSize() const;

 private:
  bool WriteToFile(const uint8_t* data, uint64_t length);

  std::unique_ptr<uint8_t[]> m_data;  // when kept in memory
  uint64_t m_length = 0;
  int m_fd = -1;  // when kept in a file: made by mkstemp, unlinked at once, closed at Clear
  std::string m_path;
};
