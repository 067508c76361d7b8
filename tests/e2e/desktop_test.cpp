// The desktop the end-to-end tests run in: windows of other processes appear,
// take the foreground and close on request. The lock tests build on all three.
#include <windows.h>

#include <gtest/gtest.h>

#include "harness.h"

namespace vk {
namespace {

TEST(Desktop, WindowOfAnotherProcessIsShownActivatedAndClosedOnRequest) {
  e2e::Process app = e2e::spawnApp("guarded_window", {"--title", "vk e2e target", "--class", "VkE2eTarget"});
  ASSERT_TRUE(app.started());
  HWND w = e2e::waitForWindow(app.id(), "VkE2eTarget", "vk e2e target", 10000);
  ASSERT_NE(w, nullptr) << "the target window never appeared";
  EXPECT_TRUE(e2e::waitUntil([&] { return ::IsWindowVisible(w) != FALSE; }, 5000));
  EXPECT_TRUE(e2e::waitUntil([&] { return ::GetForegroundWindow() == w; }, 5000))
      << "new windows are not activated: is the Wine virtual desktop set up?";
  if (e2e::screenshotsEnabled()) {
    EXPECT_TRUE(e2e::takeScreenshot("desktop_target_window"));
  }

  ::PostMessageA(w, WM_CLOSE, 0, 0);
  DWORD code = 1;
  ASSERT_TRUE(app.wait(10000, &code)) << "the target did not close";
  EXPECT_EQ(code, 10u) << "guarded_window exits with 10 when it was asked to close";
}

}  // namespace
}  // namespace vk
