// See text_probe.h. Test code only; never shipped.
#include "text_probe.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

namespace {

void setNumber(HWND w, const char* name, long value) {
  ::SetPropA(w, name, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(value)));
}

// The text's size in the window's own font; `wrapWidth` > 0 word-wraps.
SIZE measure(HWND w, const wchar_t* text, UINT flags, int wrapWidth) {
  SIZE size = {0, 0};
  HDC dc = ::GetDC(w);
  if (dc == nullptr) return size;
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(w, WM_GETFONT, 0, 0));
  HGDIOBJ old = font != nullptr ? ::SelectObject(dc, font) : nullptr;
  RECT r = {0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
  ::DrawTextW(dc, text, -1, &r, flags | DT_CALCRECT);
  if (old != nullptr) ::SelectObject(dc, old);
  ::ReleaseDC(w, dc);
  size.cx = r.right - r.left;
  size.cy = r.bottom - r.top;
  return size;
}

int averageCharWidth(HWND w) {
  HDC dc = ::GetDC(w);
  if (dc == nullptr) return 0;
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(w, WM_GETFONT, 0, 0));
  HGDIOBJ old = font != nullptr ? ::SelectObject(dc, font) : nullptr;
  TEXTMETRICW tm;
  const int width = ::GetTextMetricsW(dc, &tm) ? tm.tmAveCharWidth : 0;
  if (old != nullptr) ::SelectObject(dc, old);
  ::ReleaseDC(w, dc);
  return width;
}

void record(HWND w, SIZE need, int roomWidth, int roomHeight) {
  setNumber(w, vkprobe::kNeedWidth, need.cx);
  setNumber(w, vkprobe::kNeedHeight, need.cy);
  setNumber(w, vkprobe::kRoomWidth, roomWidth);
  setNumber(w, vkprobe::kRoomHeight, roomHeight);
}

void measureStatic(HWND w, DWORD style, const wchar_t* text, const RECT& client) {
  const DWORD type = style & SS_TYPEMASK;
  if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE) {
    return;  // pictures, frames, owner-drawn
  }
  UINT flags = DT_EXPANDTABS | ((style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0);
  const bool wraps = type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE;
  flags |= wraps ? DT_WORDBREAK : DT_SINGLELINE;
  record(w, measure(w, text, flags, wraps ? client.right : 0), client.right, client.bottom);
}

void measureButton(HWND w, DWORD style, const wchar_t* text, const RECT& client) {
  const DWORD type = style & BS_TYPEMASK;
  const bool multiline = (style & BS_MULTILINE) != 0;
  const UINT flags = multiline ? DT_WORDBREAK : DT_SINGLELINE;
  switch (type) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON: {
      // The button's frame and focus rectangle take a few pixels each side.
      const int edge = 2 * ::GetSystemMetrics(SM_CXEDGE);
      const int roomWidth = client.right - 2 * edge;
      record(w, measure(w, text, flags, multiline ? roomWidth : 0), roomWidth, client.bottom - 2 * edge);
      break;
    }
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE: {
      // The box or circle, and the gap of about half a character after it.
      const int box = ::GetSystemMetrics(SM_CXMENUCHECK) + averageCharWidth(w) / 2;
      const int roomWidth = client.right - box;
      record(w, measure(w, text, flags, multiline ? roomWidth : 0), roomWidth, client.bottom);
      break;
    }
    case BS_GROUPBOX: {
      // The caption sits in the frame's top line, a character in from each end.
      const int roomWidth = client.right - 2 * averageCharWidth(w);
      const SIZE need = measure(w, text, DT_SINGLELINE, 0);
      record(w, need, roomWidth, need.cy);
      break;
    }
    default:
      break;
  }
}

void measureHeader(HWND header) {
  const int count = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  int margin = static_cast<int>(::SendMessageW(header, HDM_GETBITMAPMARGIN, 0, 0));
  if (margin <= 0) margin = 3 * ::GetSystemMetrics(SM_CXEDGE);
  setNumber(header, vkprobe::kItemCount, count);
  for (int i = 0; i < count; ++i) {
    wchar_t text[128] = {};
    HDITEMW item = {};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 127;
    ::SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    RECT r = {};
    ::SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    const SIZE need = measure(header, text, DT_SINGLELINE, 0);
    char name[64];
    std::snprintf(name, sizeof name, "%s%d", vkprobe::kItemNeed, i);
    setNumber(header, name, need.cx);
    std::snprintf(name, sizeof name, "%s%d", vkprobe::kItemRoom, i);
    setNumber(header, name, (r.right - r.left) - 2 * margin);
  }
}

BOOL CALLBACK measureControl(HWND w, LPARAM) {
  wchar_t className[64] = {};
  ::GetClassNameW(w, className, 64);
  if (lstrcmpiW(className, L"SysHeader32") == 0) {
    measureHeader(w);
    return TRUE;
  }
  wchar_t text[1024] = {};
  if (::GetWindowTextW(w, text, 1024) <= 0) return TRUE;
  RECT client = {};
  ::GetClientRect(w, &client);
  const DWORD style = static_cast<DWORD>(::GetWindowLongW(w, GWL_STYLE));
  if (lstrcmpiW(className, L"Static") == 0) {
    measureStatic(w, style, text, client);
  } else if (lstrcmpiW(className, L"Button") == 0) {
    measureButton(w, style, text, client);
  }
  return TRUE;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK probeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT probeMessage = ::RegisterWindowMessageA(vkprobe::kProbeMessageName);
  if (code == HC_ACTION) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (message->message == probeMessage) {
      HDC screen = ::GetDC(nullptr);
      setNumber(message->hwnd, vkprobe::kDpi, screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0);
      if (screen != nullptr) ::ReleaseDC(nullptr, screen);
      ::EnumChildWindows(message->hwnd, measureControl, 0);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
