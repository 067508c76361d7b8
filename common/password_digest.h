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

// The system password gate and the lock prompt read at most this many
// characters, so no box may set a longer password: it could never be typed back.
constexpr std::size_t kMaxPasswordLength = 255;
inline bool passwordFits(const char* text) {
  std::size_t n = 0;
  while (n <= kMaxPasswordLength && text[n] != '\0') ++n;
  return n <= kMaxPasswordLength;
}

// Overwrites a typed secret once it is no longer needed, through a volatile
// pointer, so the compiler cannot drop the stores as dead.
inline void wipeSecret(void* bytes, std::size_t count) {
  volatile unsigned char* p = static_cast<volatile unsigned char*>(bytes);
  for (std::size_t i = 0; i < count; ++i) p[i] = 0;
}

// A buffer for a typed password that is wiped when it goes out of scope.
template <std::size_t N>
struct SecretText {
  char text[N] = {};
  SecretText() = default;
  SecretText(const SecretText&) = delete;
  SecretText& operator=(const SecretText&) = delete;
  ~SecretText() { wipeSecret(text, N); }
};

}  // namespace vk
