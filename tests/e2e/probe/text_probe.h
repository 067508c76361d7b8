// text_probe.dll, a test-only library: installed by an e2e test as a
// WH_CALLWNDPROC hook on one thread of another process (the manager's, or a
// locked program's), it measures texts there, in each control's own font and
// in that process's DPI, since fonts cannot be measured from outside.
//
// A test sends kProbeMessageName (RegisterWindowMessage) to a top-level
// window; before the window sees it, the hook measures every control under
// it and leaves the results as window properties, which any process reads:
//   static texts, push buttons, check boxes, radio buttons and group boxes:
//     kNeedWidth/kNeedHeight, the text's size (DrawText with DT_CALCRECT,
//     word-wrapped at the room's width for multi-line statics), and
//     kRoomWidth/kRoomHeight, the room the control gives its text;
//   header controls (a list's column headers): kItemCount, and per item i
//     "<kItemNeed>i" and "<kItemRoom>i" (widths).
// Controls without text, pictures and edit boxes get no properties.
#pragma once

namespace vkprobe {

constexpr const char* kProbeMessageName = "VkTextProbe.Measure";
constexpr const char* kHookExport = "probeHook";

constexpr const char* kNeedWidth = "VkProbe.NeedW";
constexpr const char* kNeedHeight = "VkProbe.NeedH";
constexpr const char* kRoomWidth = "VkProbe.RoomW";
constexpr const char* kRoomHeight = "VkProbe.RoomH";
constexpr const char* kItemCount = "VkProbe.Items";
constexpr const char* kItemNeed = "VkProbe.ItemNeed";
constexpr const char* kItemRoom = "VkProbe.ItemRoom";
// On the top-level window: the DPI the process measured at.
constexpr const char* kDpi = "VkProbe.Dpi";

}  // namespace vkprobe
