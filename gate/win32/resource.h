// Resource ids of the hook library. Shared with the core through gate/ ids.
#pragma once

#define IDD_LOCK_PROMPT 101
#define IDI_PADLOCK 102
#define IDC_PASSWORD 1000
