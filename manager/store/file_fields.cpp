#include "manager/store/file_fields.h"

#include <cstring>

namespace vk {

bool FieldReader::skip(std::size_t count) {
  if (count > remaining()) return false;
  position_ += count;
  return true;
}

bool FieldReader::readU16(std::uint16_t& value) {
  if (remaining() < 2) return false;
  value = static_cast<std::uint16_t>(data_[position_] | (data_[position_ + 1] << 8));
  position_ += 2;
  return true;
}

bool FieldReader::readI32(std::int32_t& value) {
  if (remaining() < 4) return false;
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | data_[position_ + static_cast<std::size_t>(i)];
  value = static_cast<std::int32_t>(v);
  position_ += 4;
  return true;
}

bool FieldReader::readFlag(bool& value) {
  if (remaining() < 1) return false;
  value = data_[position_] == 1;
  position_ += 1;
  return true;
}

bool FieldReader::readDigest(PasswordDigest& digest) {
  if (remaining() < sizeof digest.bytes) return false;
  std::memcpy(digest.bytes, data_ + position_, sizeof digest.bytes);
  position_ += sizeof digest.bytes;
  return true;
}

bool FieldReader::readText(char* buffer, std::size_t capacity, std::size_t& length, bool& cut) {
  const std::size_t start = position_;
  std::uint16_t stored = 0;
  if (!readU16(stored)) return false;
  if (stored > remaining()) {
    position_ = start;
    return false;
  }
  const std::size_t kept = stored < capacity - 1 ? stored : capacity - 1;
  std::memcpy(buffer, data_ + position_, kept);
  buffer[kept] = '\0';
  position_ += stored;
  length = kept;
  cut = kept != stored;
  return true;
}

void FieldWriter::append(const void* bytes, std::size_t count) {
  if (count == 0) return;
  const std::size_t at = out_.size();
  out_.resize(at + count);
  std::memcpy(out_.data() + at, bytes, count);
}

void FieldWriter::writeU16(std::uint16_t value) {
  const unsigned char b[2] = {static_cast<unsigned char>(value & 0xFF),
                              static_cast<unsigned char>(value >> 8)};
  append(b, sizeof b);
}

void FieldWriter::writeI32(std::int32_t value) {
  const std::uint32_t v = static_cast<std::uint32_t>(value);
  const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16),
                              static_cast<unsigned char>(v >> 24)};
  append(b, sizeof b);
}

void FieldWriter::writeFlag(bool value) {
  const unsigned char b = value ? 1 : 0;
  append(&b, 1);
}

void FieldWriter::writeDigest(const PasswordDigest& digest) {
  append(digest.bytes, sizeof digest.bytes);
}

void FieldWriter::writeText(const void* bytes, std::size_t length) {
  if (length > 0xFFFF) length = 0xFFFF;
  writeU16(static_cast<std::uint16_t>(length));
  append(bytes, length);
}

}  // namespace vk
