// The manager's own settings: kept only in the manager process and in the
// database file, never in the shared table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/password_digest.h"

namespace vk {

constexpr std::size_t kMaxSettingTextLength = 999;  // question and each reserved string
constexpr std::size_t kSettingTextCapacity = kMaxSettingTextLength + 1;

// Opaque bytes that the file carries and the manager writes back unchanged.
// They may hold any byte, 0 included, so the length is kept, not a NUL.
struct ReservedString {
  std::uint16_t length = 0;
  unsigned char bytes[kMaxSettingTextLength] = {};
};

// Default construction gives the start values used before any file is read.
// A zero SystemPasswordDigest means no system password is set (first run).
struct ManagerSettings {
  PasswordDigest systemPasswordDigest = {};
  char secretQuestion[kSettingTextCapacity] = "NONE";
  PasswordDigest secretAnswerDigest = {};  // of the lower-cased answer
  ReservedString reservedStrings[2] = {};
  bool shutDownAtLogOff = false;
};

// Copies text into SecretQuestion, cut to 999 bytes.
void setSecretQuestion(ManagerSettings& settings, const char* text);

}  // namespace vk
