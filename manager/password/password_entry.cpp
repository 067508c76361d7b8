#include "manager/password/password_entry.h"

#include <cstring>

#include "platform/wizard_page.h"

namespace vk {

namespace {

constexpr unsigned kWarningBox = kBoxOk | kBoxIconWarning;
constexpr int kTextSize = static_cast<int>(kTypedTextCapacity);

}  // namespace

int takeNewPassword(DialogView& page, MessageBoxes& ownerless, char* newPasswordText) {
  page.getItemText(kIdSystemPasswordBox, newPasswordText, kTextSize);
  if (newPasswordText[0] == '\0') {
    ownerless.show(kTypePasswordText, kInvalidPasswordCaption, kWarningBox);
    page.setFocus(kIdSystemPasswordBox);
    return kPageStay;
  }
  if (!passwordFits(newPasswordText)) {
    wipeSecret(newPasswordText, kTypedTextCapacity);
    page.messageBox(kPasswordTooLongText, kInvalidPasswordCaption, kWarningBox);
    page.setFocus(kIdSystemPasswordBox);
    return kPageStay;
  }
  return kPageDefault;
}

int checkRetypedPassword(DialogView& page, const char* newPasswordText, int passwordPage) {
  char again[kTypedTextCapacity];
  page.getItemText(kIdRetypePasswordBox, again, kTextSize);
  const bool same = again[0] != '\0' && std::strcmp(again, newPasswordText) == 0;
  std::memset(again, 0, sizeof again);
  if (!same) {
    page.messageBox(kRetypeMismatchText, kPasswordErrorCaption, kWarningBox);
    return passwordPage;
  }
  return kPageDefault;
}

int takeSecretQuestion(DialogView& page, char* question) {
  question[0] = '\0';
  page.getItemText(kIdSecretQuestionBox, question, kTextSize);
  if (question[0] == '\0') {
    page.messageBox(kTypeQuestionText, kPasswordErrorCaption, kWarningBox);
    page.setFocus(kIdSecretQuestionBox);
    return kPageStay;
  }
  return kPageDefault;
}

int takeSecretAnswer(DialogView& page, PasswordDigest& answerDigest) {
  char answer[kTypedTextCapacity];
  page.getItemText(kIdSecretAnswerBox, answer, kTextSize);
  if (answer[0] == '\0') {
    page.messageBox(kTypeAnswerText, kErrorCaption, kWarningBox);
    page.setFocus(kIdSecretAnswerBox);
    return kPageStay;
  }
  answerDigest = answerDigestOf(answer);
  std::memset(answer, 0, sizeof answer);
  return kPageDefault;
}

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
