#include "platform/win32/window_picker.h"

#include <windows.h>

#include "platform/win32/frame_window.h"

namespace vk {
namespace win32 {
namespace {

// The manager window's caption, as Win32FrameWindow names it.
constexpr const char* kManagerWindowCaption = "Vantakey Manager";

HWND hwndOf(WindowRef window) { return reinterpret_cast<HWND>(window); }
WindowRef refOf(HWND window) { return reinterpret_cast<WindowRef>(window); }

}  // namespace

WindowRef Win32WindowPicker::findManagerWindow() {
  return refOf(::FindWindowA(kFrameClass, kManagerWindowCaption));
}

bool Win32WindowPicker::isWindowVisible(WindowRef window) {
  return ::IsWindowVisible(hwndOf(window)) != FALSE;
}

void Win32WindowPicker::showWindow(WindowRef window, bool visible) {
  ::ShowWindow(hwndOf(window), visible ? SW_SHOW : SW_HIDE);
}

void Win32WindowPicker::waitForUser(unsigned milliseconds) { ::Sleep(milliseconds); }

WindowRef Win32WindowPicker::foregroundWindow() { return refOf(::GetForegroundWindow()); }

void Win32WindowPicker::windowTitle(WindowRef window, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return;
  buffer[0] = '\0';  // what the caller sees when the window cannot be read
  ::GetWindowTextA(hwndOf(window), buffer, size);
}

void Win32WindowPicker::windowClass(WindowRef window, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return;
  buffer[0] = '\0';
  ::GetClassNameA(hwndOf(window), buffer, size);
}

}  // namespace win32
}  // namespace vk
