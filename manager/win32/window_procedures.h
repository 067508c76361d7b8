// The window procedures of the manager's two own window classes. Each binds
// its events object at WM_NCCREATE, from the creation parameter, so no
// message of the window's life is missed, and forwards to it; nothing in
// them decides anything.
#pragma once

#include <windows.h>

namespace vk {
namespace win32 {

// "VantakeyClass", the hidden tray window: a TrayWindowEvents.
LRESULT CALLBACK trayWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// "VkFrame", the manager window: a FrameWindowEvents.
LRESULT CALLBACK frameWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

}  // namespace win32
}  // namespace vk
