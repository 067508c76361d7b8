// A plain top-level window for the tests to find, lock and close:
//   target_window.exe [--title <text>] [--class <name>]
// Ends with exit code 0 when the window is closed (WM_CLOSE or the user).
#include <windows.h>

#include <cstring>

namespace {

LRESULT CALLBACK targetProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  const char* title = "vk target";
  const char* className = "VkTargetWindow";
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--title") == 0) title = argv[i + 1];
    else if (std::strcmp(argv[i], "--class") == 0) className = argv[i + 1];
    else return 2;
  }

  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA wc;
  std::memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = targetProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = className;
  if (!::RegisterClassA(&wc)) return 3;

  HWND w = ::CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr, nullptr,
                             instance, nullptr);
  if (w == nullptr) return 4;
  ::ShowWindow(w, SW_SHOWNORMAL);
  ::UpdateWindow(w);

  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
