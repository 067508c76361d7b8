#include "platform/win32/frame_window.h"

#include <cstring>

namespace vk {
namespace win32 {
namespace {

constexpr const char* kFrameCaption = "Vantakey Manager";
constexpr WORD kFrameIcon = 102;
constexpr WORD kFrameMenu = 140;
// At 100 % (96 DPI); scaled with the screen, like the dialogs' units.
constexpr int kFrameWidth = 500;
constexpr int kFrameHeight = 320;
constexpr int kDefaultDpi = 96;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshPeriodMs = 3000;

int screenDpi() {
  HDC screen = ::GetDC(nullptr);
  if (screen == nullptr) return kDefaultDpi;
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDefaultDpi;
}

}  // namespace

Win32FrameWindow::Win32FrameWindow(HINSTANCE instance, WNDPROC frameProcedure)
    : instance_(instance), frameProcedure_(frameProcedure) {}

Win32FrameWindow::~Win32FrameWindow() {
  if (window_ == nullptr || !::IsWindow(window_)) return;
  ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
  ::DestroyWindow(window_);
}

bool Win32FrameWindow::create(FrameWindowEvents& events) {
  WNDCLASSA windowClass;
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = frameProcedure_;
  windowClass.hInstance = instance_;
  windowClass.hIcon = ::LoadIconA(instance_, MAKEINTRESOURCEA(kFrameIcon));
  windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = kFrameClass;
  ::RegisterClassA(&windowClass);  // fails harmlessly when it exists already

  HMENU menu = ::LoadMenuA(instance_, MAKEINTRESOURCEA(kFrameMenu));
  FrameWindowEvents* bound = &events;
  const int dpi = screenDpi();
  window_ = ::CreateWindowExA(0, kFrameClass, kFrameCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                              ::MulDiv(kFrameWidth, dpi, kDefaultDpi), ::MulDiv(kFrameHeight, dpi, kDefaultDpi),
                              nullptr, menu, instance_, bound);
  if (window_ == nullptr) {
    if (menu != nullptr) ::DestroyMenu(menu);
    return false;
  }
  RECT frame = {0, 0, 0, 0};
  ::GetWindowRect(window_, &frame);
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2;
  ::SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  return true;
}

bool Win32FrameWindow::exists() { return window_ != nullptr; }

bool Win32FrameWindow::isVisible() {
  if (window_ == nullptr) return false;
  return (::GetWindowLongA(window_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32FrameWindow::hide() {
  if (window_ != nullptr) ::ShowWindow(window_, SW_HIDE);
}

void Win32FrameWindow::showNormalAndActivate() {
  if (window_ == nullptr) return;
  ::ShowWindow(window_, SW_SHOWNORMAL);
  ::SetForegroundWindow(window_);
  ::SetFocus(window_);
}

ClientSize Win32FrameWindow::clientSize() {
  ClientSize size;
  RECT client = {0, 0, 0, 0};
  if (window_ != nullptr && ::GetClientRect(window_, &client)) {
    size.width = client.right;
    size.height = client.bottom;
  }
  return size;
}

void Win32FrameWindow::startRefreshTimer() {
  if (window_ != nullptr) ::SetTimer(window_, kRefreshTimer, kRefreshPeriodMs, nullptr);
}

int Win32FrameWindow::messageBox(const char* text, const char* caption, unsigned style) {
  return ::MessageBoxA(window_, text, caption, style);
}

}  // namespace win32
}  // namespace vk
