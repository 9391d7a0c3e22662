// CClipStore: clip files in and out. Copied clips are written as a bare
// 44-byte header in the working format followed by the bytes, straight from
// the caller's buffer (no n + 44 byte copy of a possibly large selection);
// foreign clips are written as they came. Reading goes through the wave
// reader and the converter, so both kinds come back the same way.
#include "core/edit/clip_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "core/model/sound.h"
#include "core/model/wave_converter.h"
#include "core/model/wave_format.h"

namespace {

void PutId(uint8_t* p, const char* id) { std::memcpy(p, id, 4); }

bool WriteAll(int fd, const uint8_t* bytes, uint64_t length) {
  while (length > 0) {
    // Large single writes are cut short by the kernel anyway; keep each
    // request well inside ssize_t.
    const size_t request = length > (1u << 30) ? (1u << 30) : static_cast<size_t>(length);
    const ssize_t written = ::write(fd, bytes, request);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) return false;
    bytes += written;
    length -= static_cast<uint64_t>(written);
  }
  return true;
}

// True when the file `name` in the open folder `folder` is one of our clip
// files: a regular file of this user (a link is not followed) that begins
// as a RIFF WAVE file, which every clip does from its first write on.
bool HoldsClip(int folder, const char* name) {
  const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status {};
  uint8_t head[12] = {};
  bool clip = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid();
  if (clip) {
    ssize_t got = 0;
    do {
      got = ::pread(fd, head, sizeof head, 0);
    } while (got < 0 && errno == EINTR);
    clip = got == static_cast<ssize_t>(sizeof head) && std::memcmp(head, "RIFF", 4) == 0 &&
           std::memcmp(head + 8, "WAVE", 4) == 0;
  }
  ::close(fd);
  return clip;
}

}  // namespace

bool CClipStore::IsClipFileName(const std::string& name) {
  constexpr size_t kRandomLetters = 6;
  if (name.size() != 3 + kRandomLetters || name.compare(0, 3, "SDF") != 0) return false;
  for (size_t i = 3; i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

size_t CClipStore::RemoveLeftoverClipFiles(const std::string& folder) {
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return 0;
  const int folderFd = ::dirfd(listing);
  // The names first, the deletions after: a folder changed while it is read
  // may list a name twice or not at all.
  std::vector<std::string> leftovers;
  while (const dirent* entry = ::readdir(listing)) {
    if (IsClipFileName(entry->d_name) && HoldsClip(folderFd, entry->d_name)) leftovers.emplace_back(entry->d_name);
  }
  size_t removed = 0;
  for (const std::string& name : leftovers) {
    if (::unlinkat(folderFd, name.c_str(), 0) == 0) ++removed;
  }
  ::closedir(listing);
  return removed;
}

CClipStore::CClipStore(std::string folder) : m_folder(std::move(folder)) {}

CClipStore::~CClipStore() { ClearAll(); }

std::string CClipStore::WriteClipFile(const uint8_t* header, size_t headerSize, const uint8_t* bytes,
                                      uint64_t length) const {
  std::string path = m_folder;
  if (path.empty() || path.back() != '/') path += '/';
  path += "SDFXXXXXX";
  const int fd = ::mkstemp(path.data());
  if (fd < 0) return {};
  bool ok = WriteAll(fd, header, headerSize) && WriteAll(fd, bytes, length);
  // A failed close can mean the last bytes never reached the disk.
  if (::close(fd) != 0) ok = false;
  if (!ok) {
    ::unlink(path.c_str());
    return {};
  }
  return path;
}

void CClipStore::InsertRow(std::string path, uint64_t byteCount) {
  ClipRow row;
  row.number = static_cast<int>(m_rows.size()) + 1;
  row.byteCount = byteCount;
  row.path = std::move(path);
  m_rows.insert(m_rows.begin(), std::move(row));
  while (m_rows.size() > kMaximumClips) {
    ::unlink(m_rows.back().path.c_str());
    m_rows.pop_back();
  }
  m_selected = 0;
}

bool CClipStore::AddClip(const uint8_t* bytes, uint64_t length) {
  // The RIFF size field holds length + 36 in 32 bits.
  if (length > UINT32_MAX - 36) return false;
  if (bytes == nullptr && length != 0) return false;
  const WaveFormat working = WorkingFormat();
  uint8_t header[kClipHeaderSize];
  PutId(header, "RIFF");
  WriteLE32(header + 4, static_cast<uint32_t>(length + 36));
  PutId(header + 8, "WAVE");
  PutId(header + 12, "fmt ");
  WriteLE32(header + 16, 16);
  WriteLE16(header + 20, working.formatTag);
  WriteLE16(header + 22, working.channels);
  WriteLE32(header + 24, working.samplesPerSec);
  WriteLE32(header + 28, working.avgBytesPerSec);
  WriteLE16(header + 32, working.blockAlign);
  WriteLE16(header + 34, working.bitsPerSample);
  PutId(header + 36, "data");
  WriteLE32(header + 40, static_cast<uint32_t>(length));
  std::string path = WriteClipFile(header, sizeof header, bytes, length);
  if (path.empty()) return false;
  InsertRow(std::move(path), length);
  return true;
}

bool CClipStore::AddWaveFile(const uint8_t* bytes, uint64_t length) {
  // A row whose file the wave reader refuses could never be pasted or
  // previewed; such data is better not listed at all.
  if (bytes == nullptr || length < 12 || std::memcmp(bytes, "RIFF", 4) != 0 ||
      std::memcmp(bytes + 8, "WAVE", 4) != 0) {
    return false;
  }
  std::string path = WriteClipFile(nullptr, 0, bytes, length);
  if (path.empty()) return false;
  InsertRow(std::move(path), length);
  return true;
}

ClipResult CClipStore::GetClip(int index, std::unique_ptr<uint8_t[]>* data, uint64_t* length) const {
  data->reset();
  *length = 0;
  if (index < 0 || static_cast<size_t>(index) >= m_rows.size()) return ClipResult::kNone;
  CSound sound;
  sound.path = m_rows[static_cast<size_t>(index)].path;
  const ReadResult read = sound.ReadWaveFile();
  if (read == ReadResult::kOutOfMemory) return ClipResult::kOutOfMemory;
  if (read != ReadResult::kOk || sound.layers.empty()) return ClipResult::kUnreadable;
  CSoundLayer& first = *sound.layers.front();
  uint64_t converted = first.length();
  std::unique_ptr<uint8_t[]> bytes = first.TakeData();
  FormatRecord source = sound.fileFormat;
  FormatRecord target = MakeFormatRecord(WorkingFormat());
  CWaveConverter converter;
  const ConvertResult result = converter.Convert(source, target, &bytes, &converted);
  if (result == ConvertResult::kOutOfMemory) return ClipResult::kOutOfMemory;
  if (result != ConvertResult::kOk) return ClipResult::kConvertFailed;
  *data = std::move(bytes);
  *length = converted;
  return ClipResult::kOk;
}

int CClipStore::Select(int index) {
  if (index >= 0 && static_cast<size_t>(index) < m_rows.size()) m_selected = index;
  return m_selected;
}

void CClipStore::Remove() {
  if (m_selected < 0 || static_cast<size_t>(m_selected) >= m_rows.size()) return;
  const auto row = m_rows.begin() + m_selected;
  ::unlink(row->path.c_str());
  m_rows.erase(row);
  if (static_cast<size_t>(m_selected) >= m_rows.size()) m_selected = static_cast<int>(m_rows.size()) - 1;
}

void CClipStore::ClearAll() {
  m_selected = -1;
  for (const ClipRow& row : m_rows) ::unlink(row.path.c_str());
  m_rows.clear();
}
