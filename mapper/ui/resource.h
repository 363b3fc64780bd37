// Resource and control ids of mapper.exe, shared by the .rc and the code.
#pragma once

#include "mapper/ui/core/command_ids.h"
#ifndef RC_INVOKED
#include "mapper/model/options.h"
#endif

#define IDI_MAPPER 102
#define IDD_NAME 103
#define IDD_SETTINGS 105
#define IDM_TRAY 111

// Name dialog.
#define IDC_NAME_EDIT 1000
// Settings dialog; the options' controls are named in kOptionRows too.
#define IDC_MODE_NORMAL 1000
#define IDC_MODE_RAPID 1001
#define IDC_SETTINGS_OK 1002
#define IDC_SLEEP_EDIT 1004
#define IDC_SLEEP_SPIN 1005
#define IDC_MIN_PRESS_EDIT 1006
#define IDC_MIN_PRESS_SPIN 1007
// Capture window.
#define IDC_CAPTURE_CANCEL 1000
#define IDC_CAPTURE_ACTIONS 1001  // the list of actions
#define IDC_CAPTURE_ASSIGN 1002   // "機能を割り当て"

#ifndef RC_INVOKED
// The numbers are those of every earlier release; whatever the names, they
// stay, since outside tools and the test drivers address them by number.
static_assert(IDI_MAPPER == 102 && IDD_NAME == 103 && IDD_SETTINGS == 105 && IDM_TRAY == 111,
              "resource ids");
static_assert(IDC_MAIN_SET_LIST == 100 && IDC_MAIN_STARTUP == 101 && IDC_MAIN_HELP == 102 &&
                  IDC_MAIN_RENAME == 103 && IDC_MAIN_DELETE == 104 && IDC_MAIN_NEW == 105 &&
                  IDC_MAIN_SETTINGS == 106,
              "main window buttons and set list");
static_assert(IDC_MAIN_CHANGE_KEY1 == 1000 && IDC_MAIN_CHANGE_KEY2 == 2000, "change buttons");
static_assert(IDC_MAIN_RAPID_FIRE == 3000, "rapid-fire lists");
static_assert(IDM_TRAY_EXIT == 40001 && IDM_TRAY_PAUSE == 40002 && IDM_TRAY_SHOW == 40003 &&
                  IDM_TRAY_RESUME == 40005,
              "tray menu items");
static_assert(IDC_NAME_EDIT == 1000 && IDC_MODE_NORMAL == 1000 && IDC_MODE_RAPID == 1001 &&
                  IDC_SETTINGS_OK == 1002 && IDC_SLEEP_EDIT == 1004 && IDC_SLEEP_SPIN == 1005 &&
                  IDC_MIN_PRESS_EDIT == 1006 && IDC_MIN_PRESS_SPIN == 1007 &&
                  IDC_CAPTURE_CANCEL == 1000 && IDC_CAPTURE_ACTIONS == 1001 &&
                  IDC_CAPTURE_ASSIGN == 1002,
              "dialog and capture window controls");
static_assert(kOptionRows[0].FirstControlId == IDC_MODE_NORMAL &&
                  kOptionRows[0].SecondControlId == IDC_MODE_RAPID &&
                  kOptionRows[1].FirstControlId == IDC_SLEEP_EDIT &&
                  kOptionRows[1].SecondControlId == IDC_SLEEP_SPIN &&
                  kOptionRows[2].FirstControlId == IDC_MIN_PRESS_EDIT &&
                  kOptionRows[2].SecondControlId == IDC_MIN_PRESS_SPIN,
              "the options' controls");
#endif
