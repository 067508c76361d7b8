#include "manager/win32/pending_dialogs.h"

#include "platform/dialog_view.h"

namespace vk {
namespace {

// MB_SETFOREGROUND: the first-run message comes before any window of the
// program exists, so nothing else would bring it to the front.
constexpr unsigned kBoxSetForeground = 0x10000;

}  // namespace

void PendingDialogs::tell(const char* text) {
  boxes_.show(text, kPendingCaption, kBoxOk | kBoxIconInformation);
}

void PendingDialogs::runFirstRunWizard(ManagerStore& store) {
  (void)store;
  if (!firstRunTold_) {
    firstRunTold_ = true;
    boxes_.show(kFirstRunPendingText, kPendingCaption, kBoxOk | kBoxIconWarning | kBoxSetForeground);
  }
  system_.postQuit();
}

void PendingDialogs::runChangePasswordWizard(ManagerStore& store, int startIndex) {
  (void)store;
  (void)startIndex;
  tell(kChangePasswordPendingText);
}

void PendingDialogs::runOptionsDialog(ManagerStore& store) {
  (void)store;
  tell(kOptionsPendingText);
}

}  // namespace vk
