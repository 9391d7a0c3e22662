// A growing byte block for codec output whose final size is known only at
// the end. It is allocated with new (std::nothrow) so that a conversion too
// large for memory ends in a result code, never an exception, and it hands
// out a plain std::unique_ptr<uint8_t[]> as layers hold their samples.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

class OutputBlock {
 public:
  // Takes over `bytes` bytes in `data` as the block's contents.
  void Adopt(std::unique_ptr<uint8_t[]> data, uint64_t bytes) {
    m_data = std::move(data);
    m_size = bytes;
    m_capacity = bytes;
  }

  // Makes room for `bytes` more bytes past the end; false when memory runs
  // out (the block keeps what it holds).
  bool Reserve(uint64_t bytes) {
    if (bytes <= m_capacity - m_size) return true;
    uint64_t wanted = m_size + bytes;
    // Grow by half again so that many small appends copy little.
    const uint64_t grown = m_capacity + m_capacity / 2;
    if (grown > wanted) wanted = grown;
    return Reallocate(wanted);
  }
  bool Append(const uint8_t* bytes, uint64_t count) {
    if (!Reserve(count)) return false;
    if (count != 0) std::memcpy(m_data.get() + m_size, bytes, count);
    m_size += count;
    return true;
  }
  // The free space past the end, for writers that fill it in place and then
  // call Commit.
  uint8_t* end() { return m_data.get() + m_size; }
  void Commit(uint64_t bytes) { m_size += bytes; }

  uint64_t size() const { return m_size; }
  const uint8_t* data() const { return m_data.get(); }

  // Hands the bytes out. A block much larger than its contents is copied to
  // an exact one first (when that copy cannot be made, the large one goes).
  std::unique_ptr<uint8_t[]> Take(uint64_t* length) {
    if (m_capacity - m_size > m_size / 8 + 65536) Reallocate(m_size);
    *length = m_size;
    m_size = 0;
    m_capacity = 0;
    return std::move(m_data);
  }

 private:
  bool Reallocate(uint64_t capacity) {
    std::unique_ptr<uint8_t[]> bigger(new (std::nothrow) uint8_t[capacity == 0 ? 1 : capacity]);
    if (!bigger) return false;
    if (m_size != 0) std::memcpy(bigger.get(), m_data.get(), m_size);
    m_data = std::move(bigger);
    m_capacity = capacity;
    return true;
  }

  std::unique_ptr<uint8_t[]> m_data;
  uint64_t m_size = 0;
  uint64_t m_capacity = 0;
};
