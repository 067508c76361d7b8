#include "manager/store/manager_settings.h"

#include <cstring>

namespace vk {

void setSecretQuestion(ManagerSettings& settings, const char* text) {
  std::size_t n = 0;
  if (text != nullptr) {
    while (n < kMaxSettingTextLength && text[n] != '\0') ++n;
    std::memcpy(settings.secretQuestion, text, n);
  }
  std::memset(settings.secretQuestion + n, 0, kSettingTextCapacity - n);
}

}  // namespace vk
