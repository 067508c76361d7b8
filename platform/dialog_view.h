// Port: one dialog as its logic sees it. Every dialog of the product is a
// DialogLogic object acting only through a DialogView; one generic Win32 dialog
// procedure forwards the messages to the logic, and the tests use an in-memory
// view instead.
#pragma once

#include <cstdint>

namespace vk {

// Standard ids and codes, with the values Win32 gives them.
constexpr int kIdOk = 1;       // IDOK
constexpr int kIdCancel = 2;   // IDCANCEL
constexpr int kIdYes = 6;      // IDYES
constexpr int kIdNo = 7;       // IDNO
constexpr int kButtonClicked = 0;  // BN_CLICKED

// Message box styles (MB_*) and beep types (MessageBeep).
constexpr unsigned kBoxOk = 0x0;              // MB_OK
constexpr unsigned kBoxYesNo = 0x4;           // MB_YESNO
constexpr unsigned kBoxIconError = 0x10;      // MB_ICONHAND
constexpr unsigned kBoxIconQuestion = 0x20;   // MB_ICONQUESTION
constexpr unsigned kBoxIconWarning = 0x30;    // MB_ICONWARNING
constexpr unsigned kBoxIconInformation = 0x40;  // MB_ICONASTERISK
// MB_TASKMODAL: a box without owner disables every top-level window of the
// thread while it is up.
constexpr unsigned kBoxTaskModal = 0x2000;
constexpr unsigned kBeepInformation = 0x40;   // MessageBeep(MB_ICONASTERISK)

class DialogView {
 public:
  virtual ~DialogView() = default;

  // Copy a control's text: at most size - 1 characters and the NUL. Returns the
  // number of characters copied (0 and an empty buffer when unreadable).
  virtual int getItemText(int id, char* buffer, int size) = 0;
  virtual void setItemText(int id, const char* text) = 0;
  // The dialog's own caption (SetWindowTextA on the dialog).
  virtual void setCaption(const char* text) = 0;
  virtual void setFocus(int id) = 0;
  // EM_SETPASSWORDCHAR on an edit control.
  virtual void setPasswordChar(int id, char ch) = 0;
  // A button's check state is exactly 1 / set it to 1 or 0.
  virtual bool isChecked(int id) = 0;
  virtual void setChecked(int id, bool on) = 0;
  virtual void enableItem(int id, bool on) = 0;
  // MessageBeep(type).
  virtual void beep(unsigned type) = 0;
  // SetTimer on the dialog, no callback: ticks arrive as onTimer(id).
  virtual void startTimer(unsigned id, unsigned periodMs) = 0;
  // MessageBoxA owned by the dialog; returns the pressed button's id.
  virtual int messageBox(const char* text, const char* caption, unsigned style) = 0;
  // EndDialog(result).
  virtual void endDialog(int result) = 0;
  // SetForegroundWindow on the dialog: a prompt the user did not open by a
  // click (from the tray icon) must not come up behind other windows.
  virtual void bringToForeground() {}

  // Up-down controls and drop-down lists, used by the lock authoring dialogs
  // and wizard pages only. The prompts have no such controls, so these are
  // not pure; the Win32 view must implement them for the authoring dialogs.
  // UDM_SETRANGE on an up-down control: MAKELPARAM(upper, lower).
  virtual void setUpDownRange(int id, int lower, int upper) {
    (void)id;
    (void)lower;
    (void)upper;
  }
  // CB_ADDSTRING: appends an entry (the lists are not sorted).
  virtual void addListEntry(int id, const char* text) {
    (void)id;
    (void)text;
  }
  // CB_SETCURSEL; index -1 leaves no entry selected.
  virtual void selectListEntry(int id, int index) {
    (void)id;
    (void)index;
  }
  // CB_GETCURSEL: the selected entry's index, -1 (CB_ERR) when none.
  virtual int selectedListEntry(int id) {
    (void)id;
    return -1;
  }
  // EM_SETTABSTOPS with one value: a tab stop every `dialogUnits` in a
  // multi-line edit box.
  virtual void setTabStops(int id, int dialogUnits) {
    (void)id;
    (void)dialogUnits;
  }
};

// The behaviour of one dialog. Handlers return true when they handled the
// message (the dialog procedure's TRUE), false to leave it to the system.
class DialogLogic {
 public:
  virtual ~DialogLogic() = default;

  // WM_INITDIALOG. Return false when the logic set the focus itself.
  virtual bool onInit(DialogView& view) = 0;
  // WM_COMMAND: control id and notification code.
  virtual bool onCommand(DialogView& view, int id, int notifyCode) = 0;
  // WM_TIMER.
  virtual bool onTimer(DialogView& view, unsigned timerId) {
    (void)view;
    (void)timerId;
    return false;
  }
  // Only the password dialogs answer OwnWindowChallenge (1046). When this is
  // true the adapter stores onChallenge(wParam, lParam) as the dialog's message
  // result (DWLP_MSGRESULT) and returns TRUE; otherwise 1046 is not handled.
  virtual bool answersChallenge() const { return false; }
  virtual std::uint32_t onChallenge(std::uint32_t wParam, std::uint32_t lParam) {
    (void)wParam;
    (void)lParam;
    return 0;
  }
};

}  // namespace vk
