#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "common/password_digest.h"

namespace vk {
namespace {

std::string hexWords(const char* text) {
  Sha1 sha;
  sha.input(text);
  std::uint32_t w[5];
  EXPECT_TRUE(sha.result(w));
  char buf[41];
  std::snprintf(buf, sizeof buf, "%08x%08x%08x%08x%08x", w[0], w[1], w[2], w[3], w[4]);
  return buf;
}

std::string openSslHex(const std::string& s) {
  unsigned char md[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(s.data()), s.size(), md);
  std::string out;
  char b[3];
  for (unsigned char c : md) {
    std::snprintf(b, sizeof b, "%02x", c);
    out += b;
  }
  return out;
}

TEST(Sha1, FipsVectors) {
  EXPECT_EQ(hexWords("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(hexWords("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
  Sha1 sha;
  for (int i = 0; i < 1000000; ++i) sha.input('a');
  std::uint32_t w[5];
  ASSERT_TRUE(sha.result(w));
  char buf[41];
  std::snprintf(buf, sizeof buf, "%08x%08x%08x%08x%08x", w[0], w[1], w[2], w[3], w[4]);
  EXPECT_EQ(std::string(buf), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Sha1, BlockBoundariesAgreeWithOpenSsl) {
  for (std::size_t n : {0u, 1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u}) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('!' + (i * 7) % 90);
    EXPECT_EQ(hexWords(s.c_str()), openSslHex(s)) << "length " << n;
  }
}

TEST(PasswordDigest, StoredBytesAreWordsLittleEndian) {
  const PasswordDigest d = digestOf("abc");
  const std::uint8_t expected[20] = {0x36, 0x3e, 0x99, 0xa9, 0x6a, 0x81, 0x06, 0x47, 0x71, 0x25,
                                     0x3e, 0xba, 0x6c, 0xc2, 0x50, 0x78, 0x9d, 0xd8, 0xd0, 0x9c};
  EXPECT_EQ(0, std::memcmp(d.bytes, expected, 20));
}

TEST(PasswordDigest, MatchingIsExactAndCaseSensitive) {
  const PasswordDigest d = digestOf("Secret");
  EXPECT_TRUE(passwordMatches("Secret", d));
  EXPECT_FALSE(passwordMatches("secret", d));
  EXPECT_FALSE(passwordMatches("Secret ", d));
  EXPECT_NE(digestOf("Secret"), digestOf("SECRET"));
}

TEST(PasswordDigest, EmptyTextIsAPassword) {
  const PasswordDigest d = digestOf("");
  EXPECT_TRUE(digestHasPassword(d));
  EXPECT_TRUE(passwordMatches("", d));
  EXPECT_FALSE(passwordMatches("x", d));
}

TEST(PasswordDigest, OnlyFirstWordDecidesHasPassword) {
  PasswordDigest d{};
  EXPECT_FALSE(digestHasPassword(d));
  EXPECT_TRUE(isZeroDigest(d));
  d.bytes[19] = 1;
  EXPECT_FALSE(digestHasPassword(d));
  EXPECT_FALSE(isZeroDigest(d));
  d.bytes[3] = 1;
  EXPECT_TRUE(digestHasPassword(d));
}

TEST(Sha1, InputAfterResultCorrupts) {
  Sha1 sha;
  sha.input("abc");
  std::uint32_t w[5];
  ASSERT_TRUE(sha.result(w));
  std::uint32_t again[5] = {1, 2, 3, 4, 5};
  ASSERT_TRUE(sha.result(again));
  EXPECT_EQ(0, std::memcmp(w, again, sizeof w));  // asking twice gives the same words
  sha.input("d");
  std::uint32_t out[5] = {7, 7, 7, 7, 7};
  EXPECT_FALSE(sha.result(out));
  for (std::uint32_t v : out) EXPECT_EQ(v, 7u);  // nothing written
  sha.input(static_cast<const std::uint8_t*>(nullptr), 0);  // empty input: nothing, still corrupted
  EXPECT_FALSE(sha.result(out));
  sha.reset();
  sha.input("abc");
  ASSERT_TRUE(sha.result(out));
  EXPECT_EQ(0, std::memcmp(w, out, sizeof w));
}

// The limit the password boxes apply is the one the gate and the prompt read.
TEST(PasswordLimit, FitsUpTo255Characters) {
  EXPECT_TRUE(passwordFits(""));
  EXPECT_TRUE(passwordFits(std::string(255, 'x').c_str()));
  EXPECT_FALSE(passwordFits(std::string(256, 'x').c_str()));
  EXPECT_FALSE(passwordFits(std::string(999, 'x').c_str()));
}

// A typed secret does not outlive its buffer's scope (the gate reads into one).
TEST(SecretText, IsZeroOnceItGoesOutOfScope) {
  alignas(SecretText<16>) unsigned char storage[sizeof(SecretText<16>)];
  auto* secret = new (storage) SecretText<16>;
  std::strcpy(secret->text, "Manager Key 7");
  secret->~SecretText<16>();
  for (unsigned char b : storage) EXPECT_EQ(0, b);
}

}  // namespace
}  // namespace vk
