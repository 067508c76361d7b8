// What the two system-password wizards share: the typed texts they keep
// between pages, the controls their pages have in common, their messages and
// the lower-casing of secret answers.
//
// Every page is a dialog resource of 255 x 149 dialog units, font
// "MS Shell Dlg", with bitmap 134 in a picture control along its left edge
// (0, 0, 77 x 149). A page's caption is the wizard frame's title while it is
// current; the property sheet does that, the logic never sets a caption.
#pragma once

#include <cstddef>

#include "common/password_digest.h"
#include "manager/store/manager_settings.h"
#include "platform/dialog_view.h"
#include "platform/message_box.h"

namespace vk {

// Controls (the same ids on every page that has them).
constexpr int kIdSystemPasswordBox = 1004;  // password edit box, characters hidden
constexpr int kIdRetypePasswordBox = 1021;  // password edit box, characters hidden
constexpr int kIdSecretQuestionBox = 1036;  // several-line edit box (static text on 148)
constexpr int kIdSecretAnswerBox = 1037;    // one-line edit box, characters shown

// Typed texts are read like every dialog text of the manager: at most 999
// characters and the NUL. The question is then stored whole (SecretQuestion
// holds 999), so nothing typed is ever cut silently beyond the boxes' limit.
constexpr std::size_t kTypedTextCapacity = kSettingTextCapacity;

// Messages; every box has an OK button and the warning icon.
constexpr const char* kTypePasswordText = "You must type a password.";
// Shown by every box that sets a password (the wizards' and Edit Lock's).
constexpr const char* kPasswordTooLongText =
    "The password is too long. A password can have at most 255 characters. Please shorten it "
    "and try again.";
constexpr const char* kInvalidPasswordCaption = "Invalid Password";
constexpr const char* kRetypeMismatchText = "You did not type the same password twice. Please try again.";
constexpr const char* kPasswordErrorCaption = "Password Error";
constexpr const char* kTypeQuestionText = "You must type a secret question. Please try again.";
constexpr const char* kTypeAnswerText = "You must type an answer. Please try again.";
constexpr const char* kErrorCaption = "Error";

// The texts a run keeps between its pages. The wizards own one each for the
// length of a run and wipe it afterwards, so the typed system password does
// not linger in the manager's memory.
struct PasswordWizardState {
  char newPasswordText[kTypedTextCapacity] = {};    // NewPasswordText
  char pendingQuestion[kTypedTextCapacity] = {};    // PendingQuestion (change-password)
  PasswordDigest pendingAnswerDigest = {};          // PendingAnswerDigest (change-password)

  // Overwrites every field with zeros.
  void wipe();
};

// The Next steps both wizards share. Each returns the page result: kPageStay
// after its message, kPageDefault when the page may be left, or, for the
// retype page, passwordPage to ask for the password again.

// Reads the new system password into newPasswordText; an empty one gets the
// "type a password" box (without owner, as on both wizards), one longer than
// kMaxPasswordLength the "too long" box (owned by the page) and is wiped.
int takeNewPassword(DialogView& page, MessageBoxes& ownerless, char* newPasswordText);
// The retyped password must be the same text, exactly; the typed copy is wiped.
int checkRetypedPassword(DialogView& page, const char* newPasswordText, int passwordPage);
// Reads the secret question into question (kTypedTextCapacity bytes).
int takeSecretQuestion(DialogView& page, char* question);
// Reads the secret answer; answerDigest changes only when one was typed.
int takeSecretAnswer(DialogView& page, PasswordDigest& answerDigest);

// Secret answers are compared without regard to the case of A to Z: every
// ASCII capital becomes its small letter, every other byte stays.
void lowerAscii(char* text);
// digestOf the lower-cased copy of `answer` (at most 999 characters are used).
PasswordDigest answerDigestOf(const char* answer);

}  // namespace vk
