#include "common/access_lists.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vk {
namespace {

using Bytes = std::vector<unsigned char>;

// A SID from its text parts, built here independently of the lists' own
// constants: "S-1-<authority>-<sub>-<sub>...".
Bytes sid(std::uint64_t authority, std::vector<std::uint32_t> subs) {
  Bytes b = {1, static_cast<unsigned char>(subs.size())};
  for (int i = 5; i >= 0; --i) b.push_back(static_cast<unsigned char>(authority >> (8 * i)));
  for (std::uint32_t s : subs)
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(s >> (8 * i)));
  return b;
}

SidBytes view(const Bytes& b) { return {b.data(), b.size()}; }

const Bytes kSystem = sid(5, {18});
const Bytes kAdmins = sid(5, {32, 544});
const Bytes kUsers = sid(5, {32, 545});
const Bytes kUser = sid(5, {21, 1111111111, 2222222222, 3333333333, 1001});
const Bytes kLogon = sid(5, {5, 0, 123456});

struct Ace {
  int type;
  int flags;
  std::uint32_t mask;
  Bytes sid;
};

unsigned u16(const unsigned char* p) { return p[0] | (p[1] << 8); }
std::uint32_t u32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Reads an ACL back the way the system would; fails the test on any
// inconsistency between the header and the entries.
std::vector<Ace> parse(const unsigned char* acl, std::size_t size) {
  std::vector<Ace> aces;
  EXPECT_EQ(2, acl[0]) << "ACL revision";
  EXPECT_EQ(size, u16(acl + 2)) << "AclSize";
  const unsigned count = u16(acl + 4);
  std::size_t at = 8;
  for (unsigned i = 0; i < count; ++i) {
    const unsigned aceSize = u16(acl + at + 2);
    EXPECT_EQ(0u, aceSize % 4) << "ACE " << i << " not DWORD-aligned";
    EXPECT_LE(at + aceSize, size);
    if (at + aceSize > size) break;
    aces.push_back({acl[at], acl[at + 1], u32(acl + at + 4), Bytes(acl + at + 8, acl + at + aceSize)});
    at += aceSize;
  }
  EXPECT_EQ(size, at) << "entries do not fill the list";
  return aces;
}

std::vector<Bytes> sidsOf(const std::vector<Ace>& aces) {
  std::vector<Bytes> out;
  for (const Ace& a : aces) out.push_back(a.sid);
  return out;
}

TEST(SharedObjectDacl, GrantsEverythingToSystemAdministratorsUserAndLogonSession) {
  unsigned char acl[kAccessListCapacity];
  const std::size_t n = buildSharedObjectDacl(view(kUser), view(kLogon), acl, sizeof acl);
  ASSERT_NE(0u, n);
  const std::vector<Ace> aces = parse(acl, n);
  EXPECT_EQ((std::vector<Bytes>{kSystem, kAdmins, kUser, kLogon}), sidsOf(aces));
  for (const Ace& a : aces) {
    EXPECT_EQ(0, a.type);   // access allowed
    EXPECT_EQ(0, a.flags);  // objects have no children to pass anything on to
    // Mutex all access (0x1F0001) and section all access (0xF001F) both fit inside.
    EXPECT_EQ(0x1F0001u, a.mask & 0x1F0001u);
    EXPECT_EQ(0xF001Fu, a.mask & 0xF001Fu);
  }
}

struct TokenCase {
  const char* name;
  Bytes user;
  Bytes logon;
  std::vector<Bytes> expected;  // empty: no list at all
};

class SharedObjectDaclTokens : public ::testing::TestWithParam<TokenCase> {};

TEST_P(SharedObjectDaclTokens, ListsEachSidOnceAndRefusesMalformedOnes) {
  const TokenCase& c = GetParam();
  unsigned char acl[kAccessListCapacity];
  const std::size_t n = buildSharedObjectDacl(view(c.user), view(c.logon), acl, sizeof acl);
  if (c.expected.empty()) {
    EXPECT_EQ(0u, n);
    return;
  }
  ASSERT_NE(0u, n);
  EXPECT_EQ(c.expected, sidsOf(parse(acl, n)));
}

Bytes truncated(Bytes b) {
  b.pop_back();
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedObjectDaclTokens,
    ::testing::Values(
        TokenCase{"NoLogonSid", kUser, {}, {kSystem, kAdmins, kUser}},
        TokenCase{"SystemProcess", kSystem, kLogon, {kSystem, kAdmins, kLogon}},
        TokenCase{"LogonSameAsUser", kUser, kUser, {kSystem, kAdmins, kUser}},
        TokenCase{"NoUser", {}, kLogon, {}},
        TokenCase{"CutUser", truncated(kUser), kLogon, {}},
        TokenCase{"CutLogon", kUser, truncated(kLogon), {}},
        TokenCase{"BadRevision", [] { Bytes b = kUser; b[0] = 2; return b; }(), kLogon, {}},
        TokenCase{"SixteenSubAuthorities",
                  sid(5, std::vector<std::uint32_t>(16, 7)), kLogon, {}}),
    [](const ::testing::TestParamInfo<TokenCase>& info) { return std::string(info.param.name); });

TEST(SharedObjectDacl, FitsExactlyOrNotAtAll) {
  unsigned char acl[kAccessListCapacity];
  const std::size_t needed = buildSharedObjectDacl(view(kUser), view(kLogon), acl, sizeof acl);
  ASSERT_NE(0u, needed);
  unsigned char exact[kAccessListCapacity];
  EXPECT_EQ(needed, buildSharedObjectDacl(view(kUser), view(kLogon), exact, needed));
  EXPECT_EQ(0u, buildSharedObjectDacl(view(kUser), view(kLogon), exact, needed - 1));
  EXPECT_EQ(0u, buildSharedObjectDacl(view(kUser), view(kLogon), exact, 7));
  EXPECT_EQ(0u, buildSharedObjectDacl(view(kUser), view(kLogon), nullptr, sizeof acl));
}

TEST(SharedObjectDacl, LargestSidsStillFitTheCapacity) {
  const Bytes big1 = sid(5, std::vector<std::uint32_t>(15, 1));
  const Bytes big2 = sid(5, std::vector<std::uint32_t>(15, 2));
  ASSERT_EQ(kMaxSidBytes, big1.size());
  unsigned char acl[kAccessListCapacity];
  EXPECT_NE(0u, buildSharedObjectDacl(view(big1), view(big2), acl, sizeof acl));
}

TEST(LowLabelSacl, IsOneLowLabelWithNoWriteUpOnly) {
  unsigned char acl[kAccessListCapacity];
  const std::size_t n = buildLowLabelSacl(acl, sizeof acl);
  ASSERT_NE(0u, n);
  const std::vector<Ace> aces = parse(acl, n);
  ASSERT_EQ(1u, aces.size());
  EXPECT_EQ(0x11, aces[0].type);  // SYSTEM_MANDATORY_LABEL_ACE_TYPE
  EXPECT_EQ(0, aces[0].flags);
  EXPECT_EQ(1u, aces[0].mask);  // no-write-up; reads and executes stay open to low programs
  EXPECT_EQ(sid(16, {4096}), aces[0].sid);
}

TEST(DataFolderDacl, LetsEveryUserCreateAndReplaceFilesAndPassesThatOn) {
  unsigned char acl[kAccessListCapacity];
  const std::size_t n = buildDataFolderDacl(acl, sizeof acl);
  ASSERT_NE(0u, n);
  const std::vector<Ace> aces = parse(acl, n);
  ASSERT_EQ((std::vector<Bytes>{kSystem, kAdmins, kUsers}), sidsOf(aces));
  for (const Ace& a : aces) {
    EXPECT_EQ(0, a.type);
    EXPECT_EQ(0x03, a.flags) << "object and container inherit";
  }
  EXPECT_EQ(0x1F01FFu, aces[0].mask);
  EXPECT_EQ(0x1F01FFu, aces[1].mask);
  const std::uint32_t users = aces[2].mask;
  // Create a file (add file = write data), write it, read it, delete it (the
  // replace removes the old file).
  for (std::uint32_t right : {0x2u, 0x1u, 0x10000u, 0x100000u, 0x80u, 0x100u})
    EXPECT_EQ(right, users & right) << std::hex << right;
  // ... but never rewrite the folder's or a file's rights or owner.
  EXPECT_EQ(0u, users & 0x40000u) << "WRITE_DAC";
  EXPECT_EQ(0u, users & 0x80000u) << "WRITE_OWNER";
}

}  // namespace
}  // namespace vk
