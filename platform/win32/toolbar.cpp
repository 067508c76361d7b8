#include "platform/win32/toolbar.h"

#include <commctrl.h>

#include <cstring>

namespace vk {
namespace win32 {
namespace {

constexpr UINT kToolbarId = 1;
constexpr int kImageCount = 7;

// The strips of the toolbar's images: 32 pixels square at 100 % (96 DPI),
// drawn again at 40, 48 and 64 for 125 %, 150 % and 200 %.
struct Strip {
  WORD bitmap;
  int imageSize;
};
constexpr Strip kStrips[] = {{110, 32}, {111, 40}, {112, 48}, {113, 64}};
constexpr int kDefaultDpi = 96;

// The largest strip no larger than the screen's scale asks for, so images
// are never stretched up; the 100 % one below that.
Strip stripFor(HWND window) {
  int dpi = kDefaultDpi;
  if (HDC dc = ::GetDC(window)) {
    dpi = ::GetDeviceCaps(dc, LOGPIXELSX);
    ::ReleaseDC(window, dc);
  }
  Strip chosen = kStrips[0];
  for (const Strip& s : kStrips) {
    if (s.imageSize * kDefaultDpi <= 32 * dpi) chosen = s;
  }
  return chosen;
}

// The strip's transparent background: pure cyan and pure magenta.
constexpr COLORREF kCyan = RGB(0, 255, 255);
constexpr COLORREF kMagenta = RGB(255, 0, 255);

bool addOne(HWND toolbar, const TBBUTTON& button) {
  return ::SendMessageA(toolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button)) != FALSE;
}

}  // namespace

bool Win32Toolbar::create() {
  HWND parent = frame_.handle();
  if (parent == nullptr) return false;
  HINSTANCE instance = frame_.instance();
  const Strip strip = stripFor(parent);
  toolbar_ = ::CreateToolbarEx(parent, WS_CHILD | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, kToolbarId, kImageCount, instance,
                               strip.bitmap, nullptr, 0, strip.imageSize, strip.imageSize, strip.imageSize, strip.imageSize,
                               sizeof(TBBUTTON));
  if (toolbar_ == nullptr) return false;

  COLORMAP background[2];
  background[0].from = kCyan;
  background[0].to = ::GetSysColor(COLOR_BTNFACE);
  background[1].from = kMagenta;
  background[1].to = ::GetSysColor(COLOR_BTNFACE);
  mappedStrip_.reset(::CreateMappedBitmap(instance, strip.bitmap, 0, background, 2));
  if (mappedStrip_) {
    TBREPLACEBITMAP replace;
    std::memset(&replace, 0, sizeof replace);
    replace.hInstOld = instance;
    replace.nIDOld = strip.bitmap;
    replace.hInstNew = nullptr;
    replace.nIDNew = reinterpret_cast<UINT_PTR>(mappedStrip_.get());
    replace.nButtons = kImageCount;
    ::SendMessageA(toolbar_, TB_REPLACEBITMAP, 0, reinterpret_cast<LPARAM>(&replace));
  }
  ::SetPropA(parent, kToolbarProperty, toolbar_);
  return true;
}

bool Win32Toolbar::addButton(int commandId, int image, const char* text) {
  if (toolbar_ == nullptr) return false;
  TBBUTTON button;
  std::memset(&button, 0, sizeof button);
  button.iBitmap = image;
  button.idCommand = commandId;
  button.fsState = TBSTATE_ENABLED;
  // Each button as wide as its own label: with every button as wide as the
  // longest one ("Delete Lock") the row is wider than the 500-pixel window
  // and "Exit" is cut off.
  button.fsStyle = TBSTYLE_BUTTON | TBSTYLE_AUTOSIZE;
  button.iString = reinterpret_cast<INT_PTR>(text);
  return addOne(toolbar_, button);
}

void Win32Toolbar::addSeparator() {
  if (toolbar_ == nullptr) return;
  TBBUTTON separator;
  std::memset(&separator, 0, sizeof separator);
  separator.iBitmap = -1;
  separator.idCommand = -1;
  separator.fsState = TBSTATE_ENABLED;
  separator.fsStyle = TBSTYLE_SEP;
  addOne(toolbar_, separator);
}

void Win32Toolbar::enableButton(int commandId, bool on) {
  if (toolbar_ == nullptr) return;
  ::SendMessageA(toolbar_, TB_ENABLEBUTTON, static_cast<WPARAM>(commandId), MAKELONG(on ? TRUE : FALSE, 0));
}

int Win32Toolbar::height() {
  RECT r = {0, 0, 0, 0};
  if (toolbar_ == nullptr || !::GetWindowRect(toolbar_, &r)) return 0;
  return r.bottom - r.top;
}

void Win32Toolbar::place(int x, int y, int width, int height) {
  if (toolbar_ != nullptr) ::MoveWindow(toolbar_, x, y, width, height, TRUE);
}

void Win32Toolbar::show() {
  if (toolbar_ != nullptr) ::ShowWindow(toolbar_, SW_SHOW);
}

}  // namespace win32
}  // namespace vk
