// Every password of the system is kept and compared only as its digest: SHA-1
// of the password's bytes, stored as the five result words each little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vk {

struct PasswordDigest {
  std::uint8_t bytes[20];
};

// SHA-1 as in FIPS 180-1, with the state and the corruption rules the stored
// digests were made with.
class Sha1 {
 public:
  Sha1() { reset(); }
  virtual ~Sha1() = default;

  void reset();
  void input(const std::uint8_t* bytes, std::size_t count);
  void input(char c);
  void input(const char* text);
  // False (nothing written) once the object is corrupted.
  bool result(std::uint32_t words[5]);

 private:
  void processBlock();
  void padMessage();

  std::uint32_t h_[5];
  std::uint32_t lengthLow_;
  std::uint32_t lengthHigh_;
  std::uint8_t block_[64];
  std::uint32_t blockCount_;
  bool computed_;
  bool corrupted_;
};

PasswordDigest digestOf(const char* text);
bool passwordMatches(const char* text, const PasswordDigest& stored);

// True when all 20 bytes are zero (no password set).
bool isZeroDigest(const PasswordDigest& d);
// A lock has a password when the first 32-bit word of its digest is not zero.
bool digestHasPassword(const PasswordDigest& d);
bool operator==(const PasswordDigest& a, const PasswordDigest& b);
inline bool operator!=(const PasswordDigest& a, const PasswordDigest& b) { return !(a == b); }

}  // namespace vk
