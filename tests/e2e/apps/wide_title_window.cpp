// A Unicode window for the window-pick tests: its title is set as wide text,
// so it may hold characters the ANSI code page lacks.
//   wide_title_window.exe --utf16 <hex code units, comma separated>
// e.g. --utf16 65e5,672c,8a9e for a title of three Japanese characters.
// Posted requests (from the test):
//   kActivateRequest -> SetForegroundWindow on its own window
// Exit codes: 0 when the window went, small codes for setup failures.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr UINT kActivateRequest = WM_APP + 2;
constexpr const wchar_t* kClassName = L"VkWideTitleWindow";

LRESULT CALLBACK wideProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kActivateRequest:
      ::SetForegroundWindow(w);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(w, msg, wp, lp);
  }
}

// "65e5,672c" -> the two code units; false for anything else.
bool parseUnits(const char* text, std::wstring& out) {
  while (*text != '\0') {
    char* end = nullptr;
    const unsigned long unit = std::strtoul(text, &end, 16);
    if (end == text || unit == 0 || unit > 0xFFFF) return false;
    out.push_back(static_cast<wchar_t>(unit));
    text = end;
    if (*text == ',') ++text;
  }
  return !out.empty();
}

}  // namespace

int main(int argc, char** argv) {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  std::wstring title;
  if (argc != 3 || std::strcmp(argv[1], "--utf16") != 0 || !parseUnits(argv[2], title)) return 2;

  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSW wc;
  std::memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = wideProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClassName;
  if (!::RegisterClassW(&wc)) return 3;

  HWND w = ::CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 160, 160, 420, 280, nullptr, nullptr,
                             instance, nullptr);
  if (w == nullptr) return 4;
  ::ShowWindow(w, SW_SHOWNORMAL);
  ::UpdateWindow(w);

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
