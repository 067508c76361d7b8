// The one dialog procedure of the product. Every dialog is a DialogLogic object
// that acts through a DialogView; this adapter binds both to the dialog window
// at WM_INITDIALOG and forwards WM_COMMAND, WM_TIMER and OwnWindowChallenge
// (1046) to the logic. No dialog writes its own dialog procedure.
//
// Used inside the hook library too: nothing here allocates or throws, and the
// binding lives on the caller's stack for the whole dialog.
#pragma once

#include <windows.h>

#include "platform/dialog_view.h"

namespace vk {
namespace win32 {

// OwnWindowChallenge as the window system sees it (WM_USER + 22).
constexpr UINT kChallengeMessage = WM_USER + 22;

// DialogView with the plain calls on one dialog window.
class Win32DialogView final : public DialogView {
 public:
  Win32DialogView() = default;
  explicit Win32DialogView(HWND dialog) : dialog_(dialog) {}

  HWND dialog() const { return dialog_; }
  void attach(HWND dialog) { dialog_ = dialog; }

  int getItemText(int id, char* buffer, int size) override;
  void setItemText(int id, const char* text) override;
  void setCaption(const char* text) override;
  void setFocus(int id) override;
  void setPasswordChar(int id, char ch) override;
  bool isChecked(int id) override;
  void setChecked(int id, bool on) override;
  void enableItem(int id, bool on) override;
  void beep(unsigned type) override;
  void startTimer(unsigned id, unsigned periodMs) override;
  int messageBox(const char* text, const char* caption, unsigned style) override;
  void endDialog(int result) override;
  void bringToForeground() override;
  void setUpDownRange(int id, int lower, int upper) override;
  void addListEntry(int id, const char* text) override;
  void selectListEntry(int id, int index) override;
  int selectedListEntry(int id) override;
  void setTabStops(int id, int dialogUnits) override;

 private:
  HWND dialog_ = nullptr;
};

// What one dialog is bound to. Pass its address as the creation parameter
// (DialogBoxParamA's last argument). A caller that wants the dialog to carry
// a window property (another process may look for it) names it here: it is
// set at WM_INITDIALOG, before the logic runs, and removed when the dialog
// window is destroyed.
struct DialogBinding {
  explicit DialogBinding(DialogLogic& l) : logic(l) {}
  DialogBinding(DialogLogic& l, const char* name, void* value)
      : logic(l), propertyName(name), propertyValue(value) {}

  DialogLogic& logic;
  const char* propertyName = nullptr;
  void* propertyValue = nullptr;
  Win32DialogView view;
};

// The dialog procedure. Before WM_INITDIALOG and after the binding is gone
// every message is left to the system.
INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// DialogBoxParamA bound to `binding`. Returns the dialog's end code, or -1 when
// the dialog could not be created.
INT_PTR runModalDialog(HINSTANCE module, int resourceId, HWND owner, DialogBinding& binding) noexcept;

}  // namespace win32
}  // namespace vk
