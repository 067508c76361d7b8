#include "platform/win32/window_picker.h"

#include <windows.h>

#include <cwchar>

#include "platform/win32/frame_window.h"

namespace vk {
namespace win32 {
namespace {

// The manager window's caption, as Win32FrameWindow names it.
constexpr const char* kManagerWindowCaption = "Vantakey Manager";

// Wide titles are checked up to this many characters; locks compare 254.
constexpr int kWideTitleCapacity = 1024;

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

bool Win32WindowPicker::titleFitsCodePage(WindowRef window) {
  // GetWindowTextW: for a window of another process it reads the stored
  // title and sends nothing, so a hung program cannot stall the wizard.
  wchar_t wide[kWideTitleCapacity] = {};
  const int length = ::GetWindowTextW(hwndOf(window), wide, kWideTitleCapacity);
  if (length <= 0) return true;
  // UTF-8 holds every character (and takes neither flag nor default).
  if (::GetACP() == CP_UTF8) return true;
  char ansi[kWideTitleCapacity * 2] = {};
  BOOL usedDefault = FALSE;
  const int bytes = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, ansi,
                                          static_cast<int>(sizeof ansi), nullptr, &usedDefault);
  if (bytes <= 0 || usedDefault) return false;
  // And back: a best-fit substitute ("A" for an A with a macron) reads as a
  // different title.
  wchar_t back[kWideTitleCapacity] = {};
  const int backLength = ::MultiByteToWideChar(CP_ACP, 0, ansi, bytes, back, kWideTitleCapacity);
  return backLength == length && std::wmemcmp(back, wide, static_cast<std::size_t>(length)) == 0;
}

}  // namespace win32
}  // namespace vk
