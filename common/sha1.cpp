#include "common/password_digest.h"

#include <cstring>

namespace vk {
namespace {

inline std::uint32_t rotl(std::uint32_t x, unsigned n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

void Sha1::reset() {
  h_[0] = 0x67452301u;
  h_[1] = 0xEFCDAB89u;
  h_[2] = 0x98BADCFEu;
  h_[3] = 0x10325476u;
  h_[4] = 0xC3D2E1F0u;
  lengthLow_ = 0;
  lengthHigh_ = 0;
  blockCount_ = 0;
  computed_ = false;
  corrupted_ = false;
}

void Sha1::input(const std::uint8_t* bytes, std::size_t count) {
  if (count == 0) return;
  if (computed_ || corrupted_) {
    corrupted_ = true;
    return;
  }
  for (std::size_t i = 0; i < count && !corrupted_; ++i) {
    block_[blockCount_++] = bytes[i];
    lengthLow_ += 8;
    if (lengthLow_ == 0) {
      ++lengthHigh_;
      if (lengthHigh_ == 0) corrupted_ = true;
    }
    if (blockCount_ == 64) processBlock();
  }
}

void Sha1::input(char c) {
  const std::uint8_t b = static_cast<std::uint8_t>(c);
  input(&b, 1);
}

void Sha1::input(const char* text) {
  input(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
}

bool Sha1::result(std::uint32_t words[5]) {
  if (corrupted_) return false;
  if (!computed_) {
    padMessage();
    computed_ = true;
  }
  for (int i = 0; i < 5; ++i) words[i] = h_[i];
  return true;
}

void Sha1::processBlock() {
  std::uint32_t w[80];
  for (int t = 0; t < 16; ++t) {
    w[t] = (std::uint32_t(block_[t * 4]) << 24) | (std::uint32_t(block_[t * 4 + 1]) << 16) |
           (std::uint32_t(block_[t * 4 + 2]) << 8) | std::uint32_t(block_[t * 4 + 3]);
  }
  for (int t = 16; t < 80; ++t) w[t] = rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);

  std::uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4];
  for (int t = 0; t < 80; ++t) {
    std::uint32_t f, k;
    if (t < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999u;
    } else if (t < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1u;
    } else if (t < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDCu;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6u;
    }
    const std::uint32_t temp = rotl(a, 5) + f + e + w[t] + k;
    e = d;
    d = c;
    c = rotl(b, 30);
    b = a;
    a = temp;
  }
  h_[0] += a;
  h_[1] += b;
  h_[2] += c;
  h_[3] += d;
  h_[4] += e;
  blockCount_ = 0;
}

void Sha1::padMessage() {
  // 0x80, zeros to byte 56 (via an extra block when the length does not fit),
  // then the bit length big-endian, high half first.
  block_[blockCount_++] = 0x80;
  if (blockCount_ > 56) {
    while (blockCount_ < 64) block_[blockCount_++] = 0;
    processBlock();
  }
  while (blockCount_ < 56) block_[blockCount_++] = 0;
  const std::uint32_t halves[2] = {lengthHigh_, lengthLow_};
  for (int h = 0; h < 2; ++h) {
    for (int s = 3; s >= 0; --s) block_[blockCount_++] = std::uint8_t(halves[h] >> (8 * s));
  }
  processBlock();
}

PasswordDigest digestOf(const char* text) {
  Sha1 sha;
  sha.input(text);
  std::uint32_t words[5] = {0, 0, 0, 0, 0};
  sha.result(words);
  PasswordDigest d;
  for (int i = 0; i < 5; ++i) {
    for (int b = 0; b < 4; ++b) d.bytes[i * 4 + b] = std::uint8_t(words[i] >> (8 * b));
  }
  return d;
}

bool passwordMatches(const char* text, const PasswordDigest& stored) {
  return digestOf(text) == stored;
}

bool isZeroDigest(const PasswordDigest& d) {
  for (std::uint8_t b : d.bytes) {
    if (b != 0) return false;
  }
  return true;
}

bool digestHasPassword(const PasswordDigest& d) {
  return (d.bytes[0] | d.bytes[1] | d.bytes[2] | d.bytes[3]) != 0;
}

bool operator==(const PasswordDigest& a, const PasswordDigest& b) {
  return std::memcmp(a.bytes, b.bytes, sizeof a.bytes) == 0;
}

}  // namespace vk
