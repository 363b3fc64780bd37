// Resource and control ids of mapper.exe, shared by the .rc and the code.
#pragma once

#define IDI_MAPPER 102
#define IDD_NAME 103
#define IDD_SETTINGS 105
#define IDM_TRAY 111

// Name dialog.
#define IDC_NAME_EDIT 1000
// Settings dialog.
#define IDC_MODE_NORMAL 1000
#define IDC_MODE_RAPID 1001
#define IDC_SETTINGS_OK 1002
#define IDC_SLEEP_EDIT 1004
#define IDC_SLEEP_SPIN 1005
// Capture window.
#define IDC_CAPTURE_CANCEL 1000
