#include "manager/password/password_entry.h"

#include <cstring>

namespace vk {

void PasswordWizardState::wipe() {
  // Through a volatile pointer, so the compiler cannot drop the stores as dead.
  volatile unsigned char* bytes = reinterpret_cast<volatile unsigned char*>(this);
  for (std::size_t i = 0; i < sizeof *this; ++i) bytes[i] = 0;
}

void lowerAscii(char* text) {
  for (; *text != '\0'; ++text) {
    if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
  }
}

PasswordDigest answerDigestOf(const char* answer) {
  char lowered[kTypedTextCapacity];
  std::size_t n = std::strlen(answer);
  if (n > kTypedTextCapacity - 1) n = kTypedTextCapacity - 1;
  std::memcpy(lowered, answer, n);
  lowered[n] = '\0';
  lowerAscii(lowered);
  const PasswordDigest digest = digestOf(lowered);
  volatile char* wipe = lowered;
  for (std::size_t i = 0; i <= n; ++i) wipe[i] = 0;
  return digest;
}

}  // namespace vk
