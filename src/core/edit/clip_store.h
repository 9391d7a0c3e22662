// CClipStore: the clips of the clipboard manager, without its window. Each
// clip is a wave file of its own in a temporary folder ("SDF" prefix, never
// reused); the store keeps them newest first, at most 24, with the selected
// clip that Paste, Mix, Remove and Preview use. The files belong to the
// store: a row that goes takes its file with it, and so does the store.
//
// Clips made by Copy and Cut hold working-format bytes behind a 44-byte
// header; clips taken from other programs are whole wave files of any
// format, kept as they came. GetClip hands either back in the working format.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One row of the list. The number behind " Sound Clip " is fixed when the
// row is made (the row count then, plus one), so after deletions two rows can
// carry the same number.
struct ClipRow {
  int number = 0;
  // The bytes the clip was listed with: the sound's bytes for a copied clip,
  // the whole wave file, header included, for one taken from another program.
  uint64_t byteCount = 0;
  std::string path;
};

// Results of GetClip.
enum class ClipResult {
  kOk,
  kNone,          // no such row (none selected, or the list is empty)
  kUnreadable,    // the clip file is gone or is not a wave file we read
  kConvertFailed, // its format cannot be brought to the working format
  kOutOfMemory,
};

class CClipStore {
 public:
  static constexpr size_t kMaximumClips = 24;
  // The canonical header of a copied clip: RIFF, fmt (16 bytes, working
  // format) and the data chunk's header.
  static constexpr uint64_t kClipHeaderSize = 44;

  // Clip files are made in `folder` (the system's temporary folder in the
  // program, a folder of their own in tests).
  explicit CClipStore(std::string folder);
  // Deletes every clip file.
  ~CClipStore();

  CClipStore(const CClipStore&) = delete;
  CClipStore& operator=(const CClipStore&) = delete;

  // Writes `length` bytes of working-format sound behind the 44-byte header
  // to a new clip file and lists it on top, selected; a 25th row pushes the
  // oldest one out with its file. False, with the store unchanged and no file
  // left behind, when the file cannot be written or the header's 32-bit sizes
  // cannot state `length`.
  [[nodiscard]] bool AddClip(const uint8_t* bytes, uint64_t length);
  // Keeps a complete wave file from another program as a clip, byte for
  // byte, listed with its whole size. Data that does not begin as a RIFF
  // WAVE file is refused (false), as are write failures; the store is then
  // unchanged.
  [[nodiscard]] bool AddWaveFile(const uint8_t* bytes, uint64_t length);

  // The sound of row `index` in the working format, read from its file and
  // converted when the file holds another format. Returns ClipResult::kOk with the
  // bytes in *data and their count in *length (which may be 0 for an empty
  // clip), or one of the other results with null and 0.
  [[nodiscard]] ClipResult GetClip(int index, std::unique_ptr<uint8_t[]>* data, uint64_t* length) const;
  [[nodiscard]] ClipResult GetSelectedClip(std::unique_ptr<uint8_t[]>* data, uint64_t* length) const {
    return GetClip(m_selected, data, length);
  }

  // The row under a click or chosen from the Paste drop-down becomes the
  // selected clip; an index that names no row leaves the selection as it was.
  // Returns the selected clip.
  int Select(int index);
  // Deletes the selected row and its file; the selection then stays at the
  // same index, or moves to the new last row (-1 once the list is empty).
  // Nothing happens without a selection.
  void Remove();
  // Deletes every row and its file; nothing is selected afterwards.
  void ClearAll();

  // True when `name` is a name a clip file gets: "SDF" and the six letters
  // or digits the temporary-file service puts behind it.
  static bool IsClipFileName(const std::string& name);
  // Deletes the clip files a run of the program left in `folder` when it
  // ended without tidying up (killed, crashed, its machine switched off):
  // regular files of this user with a clip file's name that hold a wave
  // file. Nothing tells them from the clips of an instance that is running,
  // so the caller must know that none is. Returns how many were deleted.
  static size_t RemoveLeftoverClipFiles(const std::string& folder);

  const std::vector<ClipRow>& rows() const { return m_rows; }
  size_t size() const { return m_rows.size(); }
  bool empty() const { return m_rows.empty(); }
  // -1 when no clip is selected.
  int selected() const { return m_selected; }
  const std::string& folder() const { return m_folder; }

 private:
  // Writes `header` and then `bytes` to a new "SDF" file in the folder.
  // Returns its path, or an empty string (and no file) on failure.
  std::string WriteClipFile(const uint8_t* header, size_t headerSize, const uint8_t* bytes,
                            uint64_t length) const;
  void InsertRow(std::string path, uint64_t byteCount);

  std::string m_folder;
  std::vector<ClipRow> m_rows;  // newest first
  int m_selected = -1;
};
