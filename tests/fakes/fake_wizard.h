// A wizard in memory: the property sheet that runs the pages (each page's
// view is created on first show and kept for the run, like the real sheet's
// page dialogs), its frame, and the desktop the window-picking page captures
// from. A test drives the wizard as the user would: type into a page, press
// Next, Back, Finish or Cancel, and read what each page shows.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/wizard_page.h"
#include "tests/fakes/event_log.h"
#include "tests/fakes/fake_dialog_view.h"

namespace vk {
namespace fakes {

class FakeWizardFrame : public WizardFrame {
 public:
  explicit FakeWizardFrame(EventLog& log) : log_(log) {}

  void center() override { log_.add("center frame"); }
  void setCaption(const char* text) override { caption = text; }
  void show(bool visible) override { log_.add(visible ? "show frame" : "hide frame"); }
  void bringToForeground() override { log_.add("frame to foreground"); }
  WindowRef window() override { return handle; }

  WindowRef handle = 0x5000;
  std::string caption;

 private:
  EventLog& log_;
};

class FakeWindowPicker : public WindowPicker {
 public:
  explicit FakeWindowPicker(EventLog& log) : log_(log) {}

  WindowRef findManagerWindow() override;
  bool isWindowVisible(WindowRef window) override;
  void showWindow(WindowRef window, bool visible) override;
  void waitForUser(unsigned milliseconds) override;
  WindowRef foregroundWindow() override;
  void windowTitle(WindowRef window, char* buffer, int size) override;
  void windowClass(WindowRef window, char* buffer, int size) override;
  // Compares the wide title with the ANSI one read back (code page 1252,
  // taken as Latin-1 here).
  bool titleFitsCodePage(WindowRef window) override;

  // The desktop: windows by handle, the manager window (kNoWindow: none) and
  // the window in the foreground when the wait ends.
  struct Window {
    Window() = default;
    Window(std::string ansi, std::string cls, std::string wide = std::string())
        : title(std::move(ansi)), className(std::move(cls)), wideTitle(std::move(wide)) {}
    std::string title;      // as GetWindowTextA reads it (code page 1252)
    std::string className;
    std::string wideTitle;  // as GetWindowTextW reads it, in UTF-8; empty: the same as title
  };
  std::map<WindowRef, Window> windows;
  WindowRef managerWindow = 0x4000;
  bool managerVisible = true;
  WindowRef foreground = kNoWindow;
  std::vector<unsigned> waits;

  // Names used in the log: "manager", "frame" or the handle in hex.
  WindowRef frameHandle = 0x5000;

 private:
  std::string name(WindowRef window) const;
  EventLog& log_;
};

// A page's view; every message box it shows is also handed to the wizard's
// onMessageBox, e.g. to check that no mutex is held while the user reads it.
class FakeWizardPage : public FakeDialogView {
 public:
  explicit FakeWizardPage(const std::function<void(const MessageBoxShown&)>& hook) : hook_(hook) {}
  int messageBox(const char* text, const char* caption, unsigned style) override;

 private:
  const std::function<void(const MessageBoxShown&)>& hook_;
};

class FakeWizard {
 public:
  FakeWizard(const std::vector<WizardPageLogic*>& pages, WizardFrame& frame);

  // PropertySheetA: shows the start page.
  void start(int startIndex);

  // The user's buttons. Each returns false, doing nothing, when the current
  // page did not enable that button (or the wizard is closed).
  bool next();
  bool back();
  bool finish();
  bool cancel();

  // Resource id of the current page; 0 once the wizard is closed.
  int current() const;
  WizardButtons buttons() const { return buttons_; }
  bool closed() const { return closed_; }
  bool finished() const { return finished_; }
  // The page's view (its controls), by resource id.
  FakeWizardPage& page(int resourceId);
  bool created(int resourceId) const { return created_.count(resourceId) != 0; }
  // Resource ids of the pages in the order they became current.
  const std::vector<int>& visited() const { return visited_; }
  // The buttons each page enabled when it last became current.
  const std::map<int, WizardButtons>& buttonsSeen() const { return buttonsSeen_; }
  // Page results that named no page of the sheet.
  int unknownTargets() const { return unknownTargets_; }

  std::function<void(const MessageBoxShown&)> onMessageBox;

 private:
  void show(int index);
  void move(int result, int step);
  int indexOf(int resourceId) const;
  WizardPageLogic& logic() { return *pages_[static_cast<std::size_t>(index_)]; }

  std::vector<WizardPageLogic*> pages_;
  WizardFrame& frame_;
  std::map<int, std::unique_ptr<FakeWizardPage>> views_;
  std::map<int, bool> created_;
  std::vector<int> visited_;
  std::map<int, WizardButtons> buttonsSeen_;
  int index_ = -1;
  WizardButtons buttons_ = WizardButtons::NextOnly;
  bool closed_ = false;
  bool finished_ = false;
  int unknownTargets_ = 0;
};

// WizardRunner whose runs are played by queued users; a user who leaves the
// wizard open at the end cancels it.
class FakeWizardRunner : public WizardRunner {
 public:
  using User = std::function<void(FakeWizard&)>;
  explicit FakeWizardRunner(WizardFrame& frame) : frame_(frame) {}

  int run(const std::vector<WizardPageLogic*>& pages, int startIndex, WindowRef owner) override;

  std::deque<User> users;
  std::function<void(const MessageBoxShown&)> onMessageBox;
  std::vector<int> pageIds;  // of the last run, in sheet order
  int startIndex = -1;
  WindowRef owner = kNoWindow;  // of the last run
  int runs = 0;

 private:
  WizardFrame& frame_;
};

}  // namespace fakes
}  // namespace vk
