// Port: a wizard (a property sheet in wizard mode) as its page logic sees it.
// Every page is a plain WizardPageLogic object acting through the page's
// DialogView and the WizardFrame around it; one generic Win32 property-sheet
// adapter forwards the page messages to the logic, and the tests drive the
// pages through an in-memory sheet instead.
//
// What the Win32 adapter does for each page (the page dialog's procedure):
//   WM_INITDIALOG       -> onInit(page, frame). The page is created when it is
//                          first shown and keeps its controls for the rest of
//                          the run. Return value as for DialogLogic::onInit.
//   WM_COMMAND          -> onCommand(page, frame, LOWORD(wParam), HIWORD(wParam))
//   WM_NOTIFY PSN_SETACTIVE
//                       -> buttons = onSetActive(page, frame); PostMessage
//                          PSM_SETWIZBUTTONS to the frame with PSWIZB_NEXT
//                          (NextOnly), PSWIZB_BACK | PSWIZB_NEXT (BackNext) or
//                          PSWIZB_BACK | PSWIZB_FINISH (BackFinish);
//                          DWLP_MSGRESULT = 0 (the page accepts activation).
//   WM_NOTIFY PSN_WIZNEXT / PSN_WIZBACK
//                       -> DWLP_MSGRESULT = onNext / onBack (setPageResult):
//                          kPageStay (-1), kPageDefault (0) or a page's
//                          dialog resource id.
//   WM_NOTIFY PSN_WIZFINISH
//                       -> onFinish: true lets the sheet close
//                          (DWLP_MSGRESULT = FALSE), false keeps it open on
//                          this page (DWLP_MSGRESULT = TRUE).
//   WM_NOTIFY PSN_QUERYCANCEL
//                       -> onQueryCancel: true allows the cancel
//                          (DWLP_MSGRESULT = FALSE), false refuses it (TRUE).
// Each handled notification returns TRUE from the page's procedure.
#pragma once

#include <vector>

#include "platform/dialog_view.h"
#include "platform/window_system.h"

namespace vk {

// The buttons a page enables when it becomes the current page.
enum class WizardButtons {
  NextOnly,    // PSWIZB_NEXT
  BackNext,    // PSWIZB_BACK | PSWIZB_NEXT
  BackFinish,  // PSWIZB_BACK | PSWIZB_FINISH
};

// Page results of Next and Back (besides a page's dialog resource id, which
// moves to that page).
constexpr int kPageStay = -1;    // keep the current page
constexpr int kPageDefault = 0;  // the next / previous page in sheet order

// The wizard's frame window (the property sheet itself, the pages' parent).
class WizardFrame {
 public:
  virtual ~WizardFrame() = default;

  // centerWizard: read the frame's rectangle (GetWindowRect), then
  // SetWindowPos(frame, HWND_TOP, (screen width - w) / 2, (screen height - h) / 2,
  // 0, 0, SWP_NOSIZE | SWP_NOACTIVATE), divisions truncating toward zero,
  // screen size from GetSystemMetrics(SM_CXSCREEN / SM_CYSCREEN).
  virtual void center() = 0;
  // SetWindowTextA on the frame.
  virtual void setCaption(const char* text) = 0;
  // ShowWindow(frame, SW_SHOW) / ShowWindow(frame, SW_HIDE).
  virtual void show(bool visible) = 0;
  // SetForegroundWindow(frame).
  virtual void bringToForeground() = 0;
  // The frame's handle, so a page can tell it apart from a window the user
  // picked.
  virtual WindowRef window() = 0;
};

// What the window-picking page needs from the desktop. The page runs the
// whole capture itself, synchronously, from its Next handler.
class WindowPicker {
 public:
  virtual ~WindowPicker() = default;

  // FindWindowA("VkFrame", "Vantakey Manager"); kNoWindow when there is none.
  virtual WindowRef findManagerWindow() = 0;
  // IsWindowVisible(window).
  virtual bool isWindowVisible(WindowRef window) = 0;
  // ShowWindow(window, SW_SHOW / SW_HIDE).
  virtual void showWindow(WindowRef window, bool visible) = 0;
  // Sleep(milliseconds): the user activates the window to lock meanwhile.
  virtual void waitForUser(unsigned milliseconds) = 0;
  // GetForegroundWindow(); kNoWindow when none.
  virtual WindowRef foregroundWindow() = 0;
  // GetWindowTextA / GetClassNameA into buffer: at most size - 1 characters
  // and the NUL; an empty string when the text cannot be read.
  virtual void windowTitle(WindowRef window, char* buffer, int size) = 0;
  virtual void windowClass(WindowRef window, char* buffer, int size) = 0;
  // True when the window's title reads in the ANSI code page (what
  // GetWindowTextA gives, and what locks compare) exactly as it is: its wide
  // title (GetWindowTextW, at most 1023 characters) converts with
  // WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS) without the default
  // character, and back to the same wide text. A title in a script the code
  // page lacks, or with an emoji, reads as question marks, which would match
  // every window whose title reads the same. Always true under a UTF-8 code
  // page, and when the title cannot be read.
  virtual bool titleFitsCodePage(WindowRef window) = 0;
};

// The behaviour of one wizard page. Every handler gets the page's own view
// (its controls, message boxes owned by the page) and the frame.
class WizardPageLogic {
 public:
  virtual ~WizardPageLogic() = default;

  // The page's dialog resource (CreatePropertySheetPageA's pszTemplate, from
  // the manager's own module, no page flags, page parameter 0).
  virtual int resourceId() const = 0;

  // WM_INITDIALOG. Return false when the logic set the focus itself.
  virtual bool onInit(DialogView& page, WizardFrame& frame) {
    (void)page;
    (void)frame;
    return true;
  }
  // WM_COMMAND: control id and notification code.
  virtual bool onCommand(DialogView& page, WizardFrame& frame, int id, int notifyCode) {
    (void)page;
    (void)frame;
    (void)id;
    (void)notifyCode;
    return false;
  }
  // PSN_SETACTIVE: the buttons to enable.
  virtual WizardButtons onSetActive(DialogView& page, WizardFrame& frame) = 0;
  // PSN_WIZNEXT / PSN_WIZBACK: kPageStay, kPageDefault or a page's resource id.
  virtual int onNext(DialogView& page, WizardFrame& frame) {
    (void)page;
    (void)frame;
    return kPageDefault;
  }
  virtual int onBack(DialogView& page, WizardFrame& frame) {
    (void)page;
    (void)frame;
    return kPageDefault;
  }
  // PSN_WIZFINISH: true lets the sheet close.
  virtual bool onFinish(DialogView& page, WizardFrame& frame) {
    (void)page;
    (void)frame;
    return true;
  }
  // PSN_QUERYCANCEL: true allows the cancel.
  virtual bool onQueryCancel(DialogView& page, WizardFrame& frame) {
    (void)page;
    (void)frame;
    return true;
  }
};

// Runs one wizard modally: PropertySheetA with PSH_WIZARD only, hwndParent
// = owner (kNoWindow: none), no caption of its own, one page per entry
// (created with CreatePropertySheetPageA in this order) and nStartPage =
// startIndex. An owner is disabled while the wizard is up. The logic objects
// outlive the call. Returns PropertySheetA's result (nobody in the manager
// reads it).
class WizardRunner {
 public:
  virtual ~WizardRunner() = default;
  virtual int run(const std::vector<WizardPageLogic*>& pages, int startIndex,
                  WindowRef owner) = 0;
};

}  // namespace vk
