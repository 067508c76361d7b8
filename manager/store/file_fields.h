// The field encoding shared by "vk2.dat" and the older "vk.dat": little-endian
// integers, one-byte flags (only 1 is true), texts as a u16 byte count and the
// bytes without NUL, digests as their 20 bytes. The reader never reads past the
// end of its buffer and never writes past a field: a text longer than its field
// is cut to fit and the surplus bytes are skipped, so the fields after it are
// still read from their right place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/password_digest.h"

namespace vk {

class FieldReader {
 public:
  FieldReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

  // Each returns false, consuming nothing, when the file ends inside the field.
  bool skip(std::size_t count);
  bool readU16(std::uint16_t& value);
  bool readI32(std::int32_t& value);
  bool readFlag(bool& value);
  bool readDigest(PasswordDigest& digest);
  // Reads a text into buffer (capacity bytes, capacity >= 1): at most
  // capacity - 1 bytes are kept and a NUL is appended. length receives the
  // number kept; cut is set when the stored text was longer.
  bool readText(char* buffer, std::size_t capacity, std::size_t& length, bool& cut);

  std::size_t position() const { return position_; }
  bool atEnd() const { return position_ == size_; }

 private:
  std::size_t remaining() const { return size_ - position_; }

  const unsigned char* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

class FieldWriter {
 public:
  explicit FieldWriter(std::vector<unsigned char>& out) : out_(out) {}

  void writeU16(std::uint16_t value);
  void writeI32(std::int32_t value);
  void writeFlag(bool value);
  void writeDigest(const PasswordDigest& digest);
  // Texts are at most 65535 bytes in the file; longer ones are cut there (no
  // field the manager writes comes near it).
  void writeText(const void* bytes, std::size_t length);

 private:
  void append(const void* bytes, std::size_t count);

  std::vector<unsigned char>& out_;
};

}  // namespace vk
