#include "platform/win32/dialog_adapter.h"

#include <commctrl.h>

#include <cstdint>

namespace vk {
namespace win32 {

int Win32DialogView::getItemText(int id, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';  // what the caller sees when the control cannot be read
  return static_cast<int>(::GetDlgItemTextA(dialog_, id, buffer, size));
}

void Win32DialogView::setItemText(int id, const char* text) { ::SetDlgItemTextA(dialog_, id, text); }

void Win32DialogView::setCaption(const char* text) { ::SetWindowTextA(dialog_, text); }

void Win32DialogView::setFocus(int id) { ::SetFocus(::GetDlgItem(dialog_, id)); }

void Win32DialogView::setPasswordChar(int id, char ch) {
  ::SendDlgItemMessageA(dialog_, id, EM_SETPASSWORDCHAR, static_cast<WPARAM>(static_cast<unsigned char>(ch)), 0);
}

bool Win32DialogView::isChecked(int id) { return ::IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }

void Win32DialogView::setChecked(int id, bool on) {
  ::CheckDlgButton(dialog_, id, on ? BST_CHECKED : BST_UNCHECKED);
}

void Win32DialogView::enableItem(int id, bool on) { ::EnableWindow(::GetDlgItem(dialog_, id), on ? TRUE : FALSE); }

void Win32DialogView::beep(unsigned type) { ::MessageBeep(type); }

void Win32DialogView::startTimer(unsigned id, unsigned periodMs) {
  ::SetTimer(dialog_, static_cast<UINT_PTR>(id), periodMs, nullptr);
}

int Win32DialogView::messageBox(const char* text, const char* caption, unsigned style) {
  return ::MessageBoxA(dialog_, text, caption, style);
}

void Win32DialogView::endDialog(int result) { ::EndDialog(dialog_, static_cast<INT_PTR>(result)); }

void Win32DialogView::bringToForeground() { ::SetForegroundWindow(dialog_); }

void Win32DialogView::setUpDownRange(int id, int lower, int upper) {
  ::SendDlgItemMessageA(dialog_, id, UDM_SETRANGE, 0, MAKELPARAM(upper, lower));
}

void Win32DialogView::addListEntry(int id, const char* text) {
  ::SendDlgItemMessageA(dialog_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void Win32DialogView::selectListEntry(int id, int index) {
  ::SendDlgItemMessageA(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32DialogView::selectedListEntry(int id) {
  return static_cast<int>(::SendDlgItemMessageA(dialog_, id, CB_GETCURSEL, 0, 0));
}

void Win32DialogView::setTabStops(int id, int dialogUnits) {
  INT stop = dialogUnits;
  ::SendDlgItemMessageA(dialog_, id, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stop));
}

namespace {

// The binding sits in the dialog's user slot from WM_INITDIALOG until the
// window is gone.
DialogBinding* bindingOf(HWND dialog) {
  return reinterpret_cast<DialogBinding*>(::GetWindowLongPtrA(dialog, DWLP_USER));
}

INT_PTR handled(bool yes) { return yes ? TRUE : FALSE; }

}  // namespace

INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_INITDIALOG) {
    auto* binding = reinterpret_cast<DialogBinding*>(lParam);
    if (binding == nullptr) return TRUE;
    // Bound before the logic runs: its first calls (a new caption, the focus)
    // already send messages that may come back here, the challenge among them.
    binding->view.attach(dialog);
    ::SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(binding));
    if (binding->propertyName != nullptr) ::SetPropA(dialog, binding->propertyName, binding->propertyValue);
    return handled(binding->logic.onInit(binding->view));
  }

  DialogBinding* binding = bindingOf(dialog);
  if (binding == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return handled(binding->logic.onCommand(binding->view, LOWORD(wParam), HIWORD(wParam)));
    case WM_TIMER:
      return handled(binding->logic.onTimer(binding->view, static_cast<unsigned>(wParam)));
    case kChallengeMessage: {
      // Any other dialog leaves the message alone, and so fails the challenge.
      if (!binding->logic.answersChallenge()) return FALSE;
      const std::uint32_t answer = binding->logic.onChallenge(static_cast<std::uint32_t>(wParam),
                                                              static_cast<std::uint32_t>(lParam));
      ::SetWindowLongPtrA(dialog, DWLP_MSGRESULT, static_cast<LONG_PTR>(answer));
      return TRUE;
    }
    case WM_NCDESTROY:
      // The last message of the window: the logic and the property owner may
      // be gone right after it.
      if (binding->propertyName != nullptr) ::RemovePropA(dialog, binding->propertyName);
      ::SetWindowLongPtrA(dialog, DWLP_USER, 0);
      binding->view.attach(nullptr);
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR runModalDialog(HINSTANCE module, int resourceId, HWND owner, DialogBinding& binding) noexcept {
  return ::DialogBoxParamA(module, MAKEINTRESOURCEA(resourceId), owner, dialogProcedure,
                           reinterpret_cast<LPARAM>(&binding));
}

}  // namespace win32
}  // namespace vk
