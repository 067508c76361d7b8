// The baseline of the activation benchmark: a hook library whose two
// procedures do nothing but pass the call on. What the system charges for
// having any hook library installed is in this one; vkgate's own cost is the
// difference.
#include <windows.h>

extern "C" LRESULT CALLBACK emptyCbtHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" LRESULT CALLBACK emptyCallWndRetHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
