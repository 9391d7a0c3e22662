// Small helpers shared by the tests: a temporary folder that cleans up after
// itself, whole-file reads and writes, and running a peer program.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  std::string File(const std::string& name) const { return (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Runs a shell command; returns its exit status and, when `output` is given,
// what it printed on standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);

// Little-endian packing for hand-made fixtures.
std::string LE16(uint16_t value);
std::string LE32(uint32_t value);
// A RIFF chunk: id, little-endian size, body, and a pad byte when the body is odd.
std::string Chunk(const std::string& id, const std::string& body, bool pad = true);

}  // namespace test_support
