// Port: the manager window's own frame (class "VkFrame", caption "Vantakey
// Manager"), as its logic (manager/shell/manager_window.h) sees it. The
// toolbar and the lock list are its children (platform/toolbar.h,
// platform/list_control.h); their adapters use this frame's window as parent.
#pragma once

#include <cstdint>

#include "platform/window_system.h"

namespace vk {

// Window procedure of "VkFrame". The Win32 adapter binds the object at
// WM_NCCREATE (CREATESTRUCTA::lpCreateParams) and forwards:
//   WM_SIZE                     -> onSize();                   return 1
//   WM_NOTIFY, LVN_GETDISPINFOA -> when item.mask has LVIF_TEXT:
//                                  onGetDispInfo(item.lParam, item.iSubItem,
//                                                item.pszText, item.cchTextMax);
//                                  return 0
//   WM_NOTIFY, LVN_ITEMACTIVATE -> onItemActivate();  then DefWindowProcA
//   WM_NOTIFY, LVN_ITEMCHANGED  -> onItemChanged();   then DefWindowProcA
//   WM_COMMAND                  -> onCommand(LOWORD(wParam)); then DefWindowProcA
//   WM_TIMER (any id)           -> onTimer();         then DefWindowProcA
//   WM_CLOSE                    -> onClose();                  return 0
//   anything else (OwnWindowChallenge 1046 included) -> DefWindowProcA
// WM_NOTIFY is not filtered by sender: these three codes come only from the
// lock list. Events can arrive while create() is still running (the WM_SIZE
// that CreateWindowExA sends), before the toolbar and list exist. The adapter may also set the window properties "toolbar" and
// "list"; nothing in the logic reads them.
class FrameWindowEvents {
 public:
  virtual ~FrameWindowEvents() = default;
  virtual void onSize() = 0;
  // Fill a cell the list asks for: at most bufferSize - 1 characters and the NUL.
  virtual void onGetDispInfo(std::intptr_t itemData, int subItem, char* buffer,
                             int bufferSize) = 0;
  virtual void onItemActivate() = 0;
  virtual void onItemChanged() = 0;
  virtual void onCommand(int commandId) = 0;
  virtual void onTimer() = 0;
  virtual void onClose() = 0;
};

struct ClientSize {
  int width = 0;
  int height = 0;
};

class FrameWindow {
 public:
  virtual ~FrameWindow() = default;

  // RegisterClassA "VkFrame": CS_OWNDC | CS_HREDRAW | CS_VREDRAW, the
  // adapter's window procedure, LoadIconA(instance, 102),
  // LoadCursorA(NULL, IDC_ARROW), background (HBRUSH)(COLOR_BTNFACE + 1), no
  // class menu (a failure because the class exists already is fine). Then
  // LoadMenuA(instance, 140) and CreateWindowExA(0, "VkFrame", "Vantakey
  // Manager", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 500, 320,
  // NULL, menu, instance, &events). Then centre it: x = (GetSystemMetrics(
  // SM_CXSCREEN) - window width) / 2, y likewise with SM_CYSCREEN, the window
  // size from GetWindowRect; SetWindowPos(hwnd, NULL, x, y, 0, 0,
  // SWP_NOSIZE | SWP_NOACTIVATE). The window stays hidden. False, with no
  // message, when CreateWindowExA failed.
  virtual bool create(FrameWindowEvents& events) = 0;
  // The window handle is not null.
  virtual bool exists() = 0;
  // The window handle (kNoWindow while there is none): the owner of the
  // dialogs and wizards opened from the window.
  virtual WindowRef window() = 0;
  // GetWindowLongA(GWL_STYLE) has WS_VISIBLE (also when minimised or behind
  // other windows). False when there is no window.
  virtual bool isVisible() = 0;
  // ShowWindow(hwnd, SW_HIDE).
  virtual void hide() = 0;
  // ShowWindow(hwnd, SW_SHOWNORMAL) (restores a minimised window),
  // SetForegroundWindow(hwnd), SetFocus(hwnd).
  virtual void showNormalAndActivate() = 0;
  // GetClientRect(hwnd): right and bottom.
  virtual ClientSize clientSize() = 0;
  // SetTimer(hwnd, 1, 3000, NULL).
  virtual void startRefreshTimer() = 0;
  // MessageBoxA(hwnd, text, caption, style): owned by the manager window.
  // Returns the button pressed (IDOK, IDYES, IDNO, ...).
  virtual int messageBox(const char* text, const char* caption, unsigned style) = 0;
};

}  // namespace vk
