#include "manager/win32/window_procedures.h"

#include <commctrl.h>

#include <cstdint>

#include "platform/frame_window.h"
#include "platform/shell_platform.h"
#include "platform/win32/frame_window.h"

namespace vk {
namespace win32 {
namespace {

// The events object sits in the window's user data from WM_NCCREATE until
// WM_NCDESTROY (or until its owner unbinds it).
template <typename Events>
Events* bind(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<Events*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

void unbind(HWND window) { ::SetWindowLongPtrA(window, GWLP_USERDATA, 0); }

// What the frame does with one message; false leaves it to DefWindowProcA.
bool frameMessage(FrameWindowEvents& events, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_SIZE:
      events.onSize();
      result = 1;
      return true;
    case WM_NOTIFY: {
      // Not filtered by sender: these codes come from the lock list only.
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header == nullptr) return false;
      switch (header->code) {
        case LVN_GETDISPINFOA: {
          auto* info = reinterpret_cast<NMLVDISPINFOA*>(lParam);
          if ((info->item.mask & LVIF_TEXT) != 0) {
            events.onGetDispInfo(static_cast<std::intptr_t>(info->item.lParam), info->item.iSubItem,
                                 info->item.pszText, info->item.cchTextMax);
          }
          result = 0;
          return true;
        }
        case LVN_ITEMACTIVATE:
          events.onItemActivate();
          return false;
        case LVN_ITEMCHANGED:
          events.onItemChanged();
          return false;
        default:
          return false;
      }
    }
    case WM_COMMAND:
      events.onCommand(LOWORD(wParam));
      return false;
    case WM_TIMER:
      events.onTimer();
      return false;
    case WM_CLOSE:
      events.onClose();
      result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace

LRESULT CALLBACK trayWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  TrayWindowEvents* events = bind<TrayWindowEvents>(window, message, lParam);
  LRESULT result = 0;
  bool answered = false;
  if (events != nullptr) {
    // Nothing may unwind into the system's code that called us.
    try {
      std::intptr_t r = 0;
      answered = events->onMessage(message, static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam), r);
      result = static_cast<LRESULT>(r);
    } catch (...) {
      answered = false;
    }
  }
  if (message == WM_NCDESTROY) unbind(window);
  return answered ? result : ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK frameWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  FrameWindowEvents* events = bind<FrameWindowEvents>(window, message, lParam);
  LRESULT result = 0;
  bool answered = false;
  if (events != nullptr) {
    try {
      answered = frameMessage(*events, message, wParam, lParam, result);
    } catch (...) {
      answered = false;
    }
  }
  if (message == WM_NCDESTROY) {
    ::RemovePropA(window, kToolbarProperty);
    ::RemovePropA(window, kListProperty);
    unbind(window);
  }
  return answered ? result : ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace win32
}  // namespace vk
