// An application window for the lock tests to guard. It says what happened to
// it through its exit code, and does on request what an application does to
// its own window:
//   guarded_window.exe --title <text> [--class <name>] [--retitle <text>]
// Posted requests (from the test):
//   kRetitleRequest  -> SetWindowTextA on its own window with the --retitle text
//   kActivateRequest -> SetForegroundWindow on its own window
// Exit codes: kExitClosedByRequest when the window got WM_CLOSE, 0 when it
// went some other way, small codes for setup failures.
#include <windows.h>

#include <cstring>

namespace {

constexpr UINT kRetitleRequest = WM_APP + 1;
constexpr UINT kActivateRequest = WM_APP + 2;
constexpr int kExitClosedByRequest = 10;

const char* gRetitle = "";
bool gCloseRequested = false;

LRESULT CALLBACK guardedProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kRetitleRequest:
      ::SetWindowTextA(w, gRetitle);
      return 0;
    case kActivateRequest:
      ::SetForegroundWindow(w);
      return 0;
    case WM_CLOSE:
      gCloseRequested = true;
      break;  // the default closes the window
    case WM_DESTROY:
      ::PostQuitMessage(gCloseRequested ? kExitClosedByRequest : 0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  const char* title = "vk guarded";
  const char* className = "VkGuardedWindow";
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--title") == 0) title = argv[i + 1];
    else if (std::strcmp(argv[i], "--class") == 0) className = argv[i + 1];
    else if (std::strcmp(argv[i], "--retitle") == 0) gRetitle = argv[i + 1];
    else return 2;
  }

  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA wc;
  std::memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = guardedProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = className;
  if (!::RegisterClassA(&wc)) return 3;

  HWND w = ::CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, 120, 120, 420, 280, nullptr, nullptr,
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
