// Port: the manager window's toolbar, a child of the frame
// (platform/frame_window.h). The frame's WM_SIZE can arrive before the
// toolbar exists (CreateWindowExA sends one) or after its creation failed:
// every operation on a missing toolbar does nothing (height() gives 0).
#pragma once

namespace vk {

class Toolbar {
 public:
  virtual ~Toolbar() = default;

  // CreateToolbarEx(frame, WS_CHILD | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, id 1,
  // 7 images, instance, bitmap 110, NULL, 0, 32, 32, 32, 32, sizeof(TBBUTTON));
  // then a colour-mapped copy of bitmap 110 (CreateMappedBitmap with two
  // COLORMAPs, RGB(0,255,255) and RGB(255,0,255) both to
  // GetSysColor(COLOR_BTNFACE)) replaces the strip: TB_REPLACEBITMAP with 7
  // images. False when the toolbar window was not created.
  virtual bool create() = 0;
  // TB_ADDBUTTONSA with one TBBUTTON: iBitmap image, idCommand commandId,
  // fsState TBSTATE_ENABLED, fsStyle TBSTYLE_BUTTON, iString (INT_PTR)text.
  // True when the control accepted it.
  virtual bool addButton(int commandId, int image, const char* text) = 0;
  // TB_ADDBUTTONSA with TBSTYLE_SEP, TBSTATE_ENABLED, iBitmap -1, idCommand -1.
  virtual void addSeparator() = 0;
  // TB_ENABLEBUTTON(commandId, MAKELONG(on ? TRUE : FALSE, 0)).
  virtual void enableButton(int commandId, bool on) = 0;
  // Height of the toolbar's window rectangle (GetWindowRect).
  virtual int height() = 0;
  // MoveWindow(toolbar, x, y, width, height, TRUE).
  virtual void place(int x, int y, int width, int height) = 0;
  // ShowWindow(toolbar, SW_SHOW).
  virtual void show() = 0;
};

}  // namespace vk
