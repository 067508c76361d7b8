// The one property-sheet adapter of the product. Every wizard page is a
// WizardPageLogic object; this adapter binds it, with a Win32DialogView on the
// page and the WizardFrame around it, at the page's WM_INITDIALOG and forwards
// WM_COMMAND and the page notifications (PSN_SETACTIVE, PSN_WIZNEXT,
// PSN_WIZBACK, PSN_WIZFINISH, PSN_QUERYCANCEL) to the logic. No page writes
// its own dialog procedure.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/win32/dialog_adapter.h"
#include "platform/wizard_page.h"

namespace vk {
namespace win32 {

// The wizard frame: the property sheet window, the pages' parent.
class Win32WizardFrame final : public WizardFrame {
 public:
  HWND frame() const { return frame_; }
  void attach(HWND frame) { frame_ = frame; }

  void center() override;
  void setCaption(const char* text) override;
  void show(bool visible) override;
  void bringToForeground() override;
  WindowRef window() override;

 private:
  HWND frame_ = nullptr;
};

// What one page is bound to. Its address is the page's parameter
// (PROPSHEETPAGEA's lParam), which the page gets back at WM_INITDIALOG. It
// lives on the runner's stack for the whole wizard.
struct PageBinding {
  PageBinding(WizardPageLogic& l, Win32WizardFrame& f) : logic(l), frame(f) {}

  WizardPageLogic& logic;
  Win32WizardFrame& frame;
  Win32DialogView view;
};

// The page procedure. Before WM_INITDIALOG and after the binding is gone
// every message is left to the system.
INT_PTR CALLBACK propertyPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// WizardRunner on Win32: the pages are the program's own dialog resources.
class Win32WizardRunner final : public WizardRunner {
 public:
  explicit Win32WizardRunner(HINSTANCE instance) : instance_(instance) {}
  // PropertySheetA with PSH_WIZARD only, the given owner, no caption; the pages made
  // with CreatePropertySheetPageA in the given order, no page flags. -1 when a
  // page could not be made (the wizard is then not shown).
  int run(const std::vector<WizardPageLogic*>& pages, int startIndex, WindowRef owner) override;

 private:
  HINSTANCE instance_;
};

}  // namespace win32
}  // namespace vk
