#include "platform/win32/property_sheet.h"

#include <commctrl.h>
#include <prsht.h>

namespace vk {
namespace win32 {

void Win32WizardFrame::center() {
  RECT r;
  if (!::GetWindowRect(frame_, &r)) return;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  ::SetWindowPos(frame_, HWND_TOP, left, top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32WizardFrame::setCaption(const char* text) { ::SetWindowTextA(frame_, text); }

void Win32WizardFrame::show(bool visible) { ::ShowWindow(frame_, visible ? SW_SHOW : SW_HIDE); }

void Win32WizardFrame::bringToForeground() { ::SetForegroundWindow(frame_); }

WindowRef Win32WizardFrame::window() { return reinterpret_cast<WindowRef>(frame_); }

namespace {

PageBinding* bindingOf(HWND page) { return reinterpret_cast<PageBinding*>(::GetWindowLongPtrA(page, DWLP_USER)); }

INT_PTR handled(bool yes) { return yes ? TRUE : FALSE; }

LPARAM wizardButtons(WizardButtons buttons) {
  switch (buttons) {
    case WizardButtons::NextOnly:
      return PSWIZB_NEXT;
    case WizardButtons::BackNext:
      return PSWIZB_BACK | PSWIZB_NEXT;
    case WizardButtons::BackFinish:
      return PSWIZB_BACK | PSWIZB_FINISH;
  }
  return PSWIZB_NEXT;
}

// The page's answer to a notification goes through its message result; the
// procedure then says it handled the notification.
INT_PTR answer(HWND page, LONG_PTR result) {
  ::SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR notify(HWND page, PageBinding& b, const NMHDR& header) {
  switch (header.code) {
    case PSN_SETACTIVE: {
      const WizardButtons buttons = b.logic.onSetActive(b.view, b.frame);
      // Posted: the frame is in the middle of changing pages.
      ::PostMessageA(b.frame.frame(), PSM_SETWIZBUTTONS, 0, wizardButtons(buttons));
      return answer(page, 0);
    }
    case PSN_WIZNEXT:
      return answer(page, b.logic.onNext(b.view, b.frame));
    case PSN_WIZBACK:
      return answer(page, b.logic.onBack(b.view, b.frame));
    case PSN_WIZFINISH:
      // FALSE lets the sheet close; TRUE keeps it on this page.
      return answer(page, b.logic.onFinish(b.view, b.frame) ? FALSE : TRUE);
    case PSN_QUERYCANCEL:
      return answer(page, b.logic.onQueryCancel(b.view, b.frame) ? FALSE : TRUE);
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK propertyPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_INITDIALOG) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    auto* binding = sheetPage != nullptr ? reinterpret_cast<PageBinding*>(sheetPage->lParam) : nullptr;
    if (binding == nullptr) return TRUE;
    // Bound before the logic runs, which already moves and names the frame.
    binding->view.attach(page);
    binding->frame.attach(::GetParent(page));
    ::SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(binding));
    return handled(binding->logic.onInit(binding->view, binding->frame));
  }

  PageBinding* binding = bindingOf(page);
  if (binding == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return handled(binding->logic.onCommand(binding->view, binding->frame, LOWORD(wParam), HIWORD(wParam)));
    case WM_NOTIFY:
      if (lParam == 0) return FALSE;
      return notify(page, *binding, *reinterpret_cast<const NMHDR*>(lParam));
    case WM_NCDESTROY:
      ::SetWindowLongPtrA(page, DWLP_USER, 0);
      binding->view.attach(nullptr);
      return FALSE;
    default:
      return FALSE;
  }
}

int Win32WizardRunner::run(const std::vector<WizardPageLogic*>& pages, int startIndex,
                           WindowRef owner) {
  Win32WizardFrame frame;
  // Reserved up front: each page keeps its binding's address.
  std::vector<PageBinding> bindings;
  bindings.reserve(pages.size());
  std::vector<HPROPSHEETPAGE> handles;
  handles.reserve(pages.size());
  for (WizardPageLogic* logic : pages) {
    bindings.emplace_back(*logic, frame);
    PROPSHEETPAGEA page;
    ZeroMemory(&page, sizeof page);
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = instance_;
    page.pszTemplate = MAKEINTRESOURCEA(logic->resourceId());
    page.pfnDlgProc = propertyPageProcedure;
    page.lParam = reinterpret_cast<LPARAM>(&bindings.back());
    HPROPSHEETPAGE handle = ::CreatePropertySheetPageA(&page);
    if (handle == nullptr) {
      for (HPROPSHEETPAGE made : handles) ::DestroyPropertySheetPage(made);
      return -1;
    }
    handles.push_back(handle);
  }

  PROPSHEETHEADERA sheet;
  ZeroMemory(&sheet, sizeof sheet);
  sheet.dwSize = sizeof sheet;
  sheet.dwFlags = PSH_WIZARD;
  sheet.hwndParent = reinterpret_cast<HWND>(owner);
  sheet.hInstance = instance_;
  sheet.nPages = static_cast<UINT>(handles.size());
  sheet.nStartPage = static_cast<UINT>(startIndex);
  sheet.phpage = handles.data();
  // The sheet owns the pages from here on, whatever it returns.
  return static_cast<int>(::PropertySheetA(&sheet));
}

}  // namespace win32
}  // namespace vk
