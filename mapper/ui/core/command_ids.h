// Command ids of mapper: the main window's controls and the tray popup
// menu's items, as the low 16 bits of WM_COMMAND's wParam. Plain #defines,
// since the resource script includes this file too. Ids 0..79 are the tray
// menu's set entries, one per key set.
#pragma once

#define IDC_MAIN_SET_LIST 100  // the combo box, any notification
#define IDC_MAIN_STARTUP 101   // "スタートアップ登録" or "スタートアップ解除"
#define IDC_MAIN_HELP 102      // "ヘルプ"
#define IDC_MAIN_RENAME 103    // "名前"
#define IDC_MAIN_DELETE 104    // "削除"
#define IDC_MAIN_NEW 105       // "新規"
#define IDC_MAIN_SETTINGS 106  // "設定"
// The "変更" buttons: the first id plus the input slot (0..23).
#define IDC_MAIN_CHANGE_KEY1 1000
#define IDC_MAIN_CHANGE_KEY2 2000
// The rapid-fire lists ("連射"): the first id plus the input slot (0..23).
#define IDC_MAIN_RAPID_FIRE 3000

#define IDM_TRAY_EXIT 40001    // "終了(&X)"
#define IDM_TRAY_PAUSE 40002   // "一時停止(&S)"
#define IDM_TRAY_SHOW 40003    // "ウィンドウを表示(&D)"
#define IDM_TRAY_RESUME 40005  // "制御再開(&S)"
