// The New Lock wizard's window pick in the real vkmanager.exe under Wine:
// the capture waits the 7 seconds its page promises, and a window whose
// title the ANSI code page cannot hold is refused on the confirmation page,
// while one with accented Latin letters is picked and locked as before.
//
// The windows are Unicode windows of another process (wide_title_window.exe)
// whose titles are set as wide text. The prefix runs with code page 1252.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/lock_table.h"
#include "common/password_digest.h"
#include "harness.h"
#include "product.h"

namespace vk {
namespace {

using e2e::FileLock;
using e2e::kActivateRequest;
using e2e::kAppearMs;
using e2e::kCaptureMs;
using e2e::kDialogClass;
using e2e::kPageMethod;
using e2e::kPagePick;
using e2e::kPagePicked;
using e2e::kPickedTitle;
using e2e::kSettleMs;

constexpr const char* kWideClass = "VkWideTitleWindow";
constexpr UINT kWesternCodePage = 1252;
// The page promises 7 seconds; the wizard is observed hidden a moment after
// the wait starts and shown a moment after it ends.
constexpr DWORD kPromisedCaptureMs = 7000;
constexpr DWORD kObservationSlackMs = 100;

// "日本語 - vk pick", as UTF-16 code units: none of them is in code page 1252.
constexpr const char* kJapaneseUnits = "65e5,672c,8a9e,20,2d,20,76,6b,20,70,69,63,6b";
// "Café crème - vk pick": é and è are in code page 1252.
constexpr const char* kAccentedUnits = "43,61,66,e9,20,63,72,e8,6d,65,20,2d,20,76,6b,20,70,69,63,6b";
constexpr const char* kAccentedAnsi = "Caf\xE9 cr\xE8me - vk pick";

class PickTitleTest : public e2e::ManagerSession {
 protected:
  std::vector<e2e::Process*> helperProcesses() override { return {&target_}; }

  HWND startTarget(const char* units) {
    target_ = e2e::spawnApp("wide_title_window", {"--utf16", units});
    if (!target_.started()) return nullptr;
    return e2e::waitForWindow(target_.id(), kWideClass, nullptr, kAppearMs);
  }

  // From page 132 to page 136: Next on 135 runs the capture while `target`
  // is activated. How long the wizard stayed hidden goes to *hiddenMs.
  HWND pick(HWND wizard, HWND target, DWORD* hiddenMs) {
    if (e2e::waitForPage(wizard, kPageMethod) == nullptr) return nullptr;
    if (e2e::nextTo(wizard, kPagePick, "") == nullptr) return nullptr;
    ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    EXPECT_TRUE(e2e::waitUntil([&] { return !::IsWindowVisible(wizard); }, kSettleMs, 1))
        << "the wizard stays up during the capture";
    const DWORD hiddenAt = ::GetTickCount();
    ::PostMessageA(target, kActivateRequest, 0, 0);
    EXPECT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == target; }, kSettleMs));
    EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(wizard) != FALSE; }, kCaptureMs, 1));
    *hiddenMs = ::GetTickCount() - hiddenAt;
    HWND page = e2e::waitForPage(wizard, kPagePicked, kCaptureMs);
    EXPECT_NE(page, nullptr) << "the capture did not end on page 136";
    return page;
  }

  std::vector<FileLock> savedLocks() {
    std::vector<unsigned char> file;
    std::vector<FileLock> locks;
    if (!e2e::readWholeFile(databasePath_, file) || !e2e::readLocks(file, locks)) locks.clear();
    return locks;
  }

  e2e::Process target_;
};

TEST_F(PickTitleTest, TitleOutsideTheCodePageIsRefusedAfterASevenSecondCaptureAndNothingIsAdded) {
  ASSERT_EQ(::GetACP(), kWesternCodePage) << "the test needs a Western code page to have characters it lacks";
  HWND target = startTarget(kJapaneseUnits);
  ASSERT_NE(target, nullptr);
  char ansi[64] = {};
  ::GetWindowTextA(target, ansi, sizeof ansi);
  ASSERT_EQ(std::string(ansi), "??? - vk pick") << "the title should read with question marks";
  writeDatabase({});
  startManager();
  passGate();

  HWND wizard = openNewLockWizard();
  ASSERT_NE(wizard, nullptr);
  DWORD hiddenMs = 0;
  HWND page = pick(wizard, target, &hiddenMs);
  ASSERT_NE(page, nullptr);
  EXPECT_GE(hiddenMs + kObservationSlackMs, kPromisedCaptureMs) << "the capture ended before its 7 seconds";
  EXPECT_LT(hiddenMs, kCaptureMs);
  EXPECT_EQ(e2e::itemText(page, kPickedTitle), ansi);

  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
  HWND box = e2e::waitForShown(manager_.id(), kDialogClass, "Vantakey", "characters that Vantakey cannot read");
  ASSERT_NE(box, nullptr) << "a title with characters the code page lacks was not refused";
  const std::string text = e2e::staticTexts(box);
  EXPECT_NE(text.find("*YouTube*"), std::string::npos) << text;
  EXPECT_NE(text.find("Enable wildcard matching"), std::string::npos) << text;
  e2e::screenshot(box, "pick_title_refused", wizard);
  e2e::pressButton(box, IDOK);
  ASSERT_TRUE(e2e::gone(box));
  EXPECT_EQ(e2e::currentPage(wizard), kPagePicked) << "the wizard stays on the picked window";

  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  ASSERT_TRUE(e2e::gone(wizard));
  EXPECT_EQ(recordCount(), 0u);
  EXPECT_TRUE(savedLocks().empty());
}

TEST_F(PickTitleTest, AccentedLatinTitleIsPickedAndLockedAsBefore) {
  ASSERT_EQ(::GetACP(), kWesternCodePage);
  constexpr const char* kPassword = "accents";
  HWND target = startTarget(kAccentedUnits);
  ASSERT_NE(target, nullptr);
  writeDatabase({});
  startManager();
  passGate();

  HWND wizard = openNewLockWizard();
  ASSERT_NE(wizard, nullptr);
  DWORD hiddenMs = 0;
  HWND page = pick(wizard, target, &hiddenMs);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(e2e::itemText(page, kPickedTitle), kAccentedAnsi);
  ASSERT_NE(e2e::nextTo(wizard, e2e::kPageProtect, ""), nullptr) << "the accented title was refused";
  ASSERT_NE(e2e::passwordTriesAndMinutes(wizard, kPassword, "3", "5", ""), nullptr);
  ASSERT_NE(e2e::nextTo(wizard, e2e::kPageSummary, ""), nullptr);
  ::PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
  ASSERT_TRUE(e2e::gone(wizard));

  ASSERT_EQ(recordCount(), 1u);
  const LockRecord r = record(0);
  EXPECT_STREQ(r.title, kAccentedAnsi);
  EXPECT_STREQ(r.className, kWideClass);
  EXPECT_TRUE(e2e::waitUntil([&] { return savedLocks().size() == 1 && savedLocks()[0].title == kAccentedAnsi; },
                             kSettleMs));

  // The window is guarded from its next activation on.
  ::PostMessageA(target, kActivateRequest, 0, 0);
  HWND prompt = e2e::waitForPrompt(target_.id(), kAccentedAnsi);
  ASSERT_NE(prompt, nullptr) << "the picked window was not guarded";
  e2e::enterPassword(prompt, kPassword);
  ASSERT_TRUE(e2e::gone(prompt));
  EXPECT_TRUE(e2e::waitUntil([&] { return e2e::isShownNormally(target); }, kSettleMs));
}

}  // namespace
}  // namespace vk
