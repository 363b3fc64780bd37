// mapper.exe's windows as a player sees them, under Wine: the controls of
// the main window and of both dialogs against their tables, the binding grid
// as painted on the screen, the GDI objects that painting holds, the tray
// popup after the set commands (also while the start-up warning is open), the
// tray icon through an Explorer restart and a refused icon, and the help
// engine given the Pamuro.hlp beside the program. Buttons are clicked with the
// real mouse pointer (xdotool).
#include "mapper/ui/resource.h"
#include "mapper/ui/window_messages.h"
#include "tests/wine/mapper/mapper_e2e_fixture.h"
#include "tests/wine/mapper/window_probe.h"

namespace {

constexpr COLORREF kBackground = RGB(105, 153, 205);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr wchar_t kDialogFont[] = L"ＭＳ Ｐゴシック";

// A control as its table gives it. Where the system itself changes a
// control after creating it, the table says so beside the number:
//  - an edit with a border takes a sunken client edge instead (WS_BORDER goes);
//  - a combo box hands its vertical scroll bar to its list;
//  - a checked radio button becomes a tab stop.
struct ExpectedControl {
    int id;
    const wchar_t* className;
    const wchar_t* text;  // null: not compared (a drop-down list shows its selection)
    RECT rect;            // in the parent's client area; empty: placed by the system
    DWORD style;
};

RECT Box(int x, int y, int width, int height) {
    return RECT{x, y, x + width, y + height};
}

std::wstring Describe(const RECT& rect) {
    return std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L"," +
           std::to_wstring(rect.right) + L"," + std::to_wstring(rect.bottom);
}

// One control as a line, so a whole table compares at once and a difference
// prints readably.
std::wstring Describe(int id, const std::wstring& className, const wchar_t* text, const RECT& rect,
                      DWORD style) {
    wchar_t styleText[16];
    wsprintfW(styleText, L"%08X", style);
    return std::to_wstring(id) + L" " + className + L" \"" + (text ? text : L"*") + L"\" " +
           Describe(rect) + L" " + styleText;
}

std::vector<std::wstring> DescribeExpected(const std::vector<ExpectedControl>& table) {
    std::vector<std::wstring> lines;
    for (const ExpectedControl& control : table) {
        lines.push_back(
            Describe(control.id, control.className, control.text, control.rect, control.style));
    }
    return lines;
}

// The controls as found, with what the table leaves open left out.
std::vector<std::wstring> DescribeFound(const std::vector<ChildControl>& found,
                                        const std::vector<ExpectedControl>& table) {
    std::vector<std::wstring> lines;
    for (size_t i = 0; i < found.size(); ++i) {
        const bool compareText = i >= table.size() || table[i].text != nullptr;
        const bool compareRect = i >= table.size() || !IsRectEmpty(&table[i].rect);
        lines.push_back(Describe(found[i].id, found[i].className,
                                 compareText ? found[i].text.c_str() : nullptr,
                                 compareRect ? found[i].rect : RECT{}, found[i].style));
    }
    return lines;
}

std::string Utf8(const std::vector<std::wstring>& lines) {
    std::string text;
    for (const std::wstring& line : lines) {
        char buffer[512];
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
        text += std::string(buffer) + "\n";
    }
    return text;
}

void ExpectControls(HWND parent, const std::vector<ExpectedControl>& table) {
    const std::vector<std::wstring> found = DescribeFound(ChildControls(parent), table);
    const std::vector<std::wstring> expected = DescribeExpected(table);
    EXPECT_EQ(found, expected) << "found:\n" << Utf8(found) << "expected:\n" << Utf8(expected);
}

// The main window's controls in their creation order.
std::vector<ExpectedControl> MainWindowControls() {
    constexpr DWORD button = 0x50010000;
    std::vector<ExpectedControl> table;
    for (int key = 0; key < 2; ++key) {
        for (int slot = 0; slot < 24; ++slot) {
            table.push_back({1000 * (key + 1) + slot, L"Button", L"変更",
                             Box(220 + 175 * key, 20 + 25 * slot, 55, 23), button});
        }
    }
    // The rapid-fire lists, each showing "－" (off); placed apart below.
    for (int slot = 0; slot < 24; ++slot) {
        table.push_back({3000 + slot, L"ComboBox", L"－", RECT{}, 0x50210203 & ~WS_VSCROLL});
    }
    table.push_back({102, L"Button", L"ヘルプ", Box(5, 650, 60, 25), button});
    table.push_back({103, L"Button", L"名前", Box(70, 650, 40, 25), button});
    table.push_back({104, L"Button", L"削除", Box(115, 650, 40, 25), button});
    table.push_back({105, L"Button", L"新規", Box(160, 650, 40, 25), button});
    table.push_back({101, L"Button", L"スタートアップ登録", Box(205, 650, 160, 25), button});
    table.push_back({106, L"Button", L"設定", Box(370, 650, 40, 25), button});
    // The combo box's own height is the system's, and so is its dropped
    // list's: the common controls of version 6 show up to 30 entries.
    table.push_back({100, L"ComboBox", nullptr, RECT{}, 0x50210243 & ~WS_VSCROLL});
    return table;
}

// A dialog's controls: rectangles in dialog units, laid out in pixels with
// the dialog's font.
std::vector<ExpectedControl> InPixels(std::vector<ExpectedControl> table) {
    for (ExpectedControl& control : table) {
        if (!IsRectEmpty(&control.rect)) {
            control.rect = DialogUnitsToPixels(control.rect, kDialogFont, 9);
        }
    }
    return table;
}

RECT ControlRect(HWND dialog, int id) {
    for (const ChildControl& control : ChildControls(dialog)) {
        if (control.id == id) {
            return control.rect;
        }
    }
    return RECT{};
}

// An edit keeps its place and height; its up-down control sits at its right
// edge, as high as the edit, within the width the template gave the edit.
void ExpectEditWithItsUpDown(HWND dialog, int editId, const RECT& templateBox) {
    SCOPED_TRACE("edit " + std::to_string(editId));
    const RECT edit = ControlRect(dialog, editId);
    const RECT spin = ControlRect(dialog, editId + 1);
    const RECT template_ = DialogUnitsToPixels(templateBox, kDialogFont, 9);
    EXPECT_EQ(edit.left, template_.left);
    EXPECT_EQ(edit.top, template_.top);
    EXPECT_EQ(edit.bottom, template_.bottom);
    EXPECT_EQ(spin.top, edit.top);
    EXPECT_EQ(spin.bottom, edit.bottom);
    EXPECT_LE(spin.left, edit.right);
    EXPECT_GE(spin.left + 4, edit.right) << "the up-down control is not at the edit's edge";
    EXPECT_LE(spin.right, template_.right);
    EXPECT_GT(spin.right - spin.left, 4);
}

std::vector<ExpectedControl> NameDialogControls() {
    return InPixels({
        {IDOK, L"Button", L"OK", Box(120, 39, 50, 14), 0x50000000},
        {IDCANCEL, L"Button", L"ｷｬﾝｾﾙ", Box(177, 39, 50, 14), 0x50000000},
        {1000, L"Edit", L"", Box(7, 20, 220, 14), 0x50810080 & ~WS_BORDER},
        {-1, L"Static", L"キー設定の名前を入力してください。", Box(7, 7, 220, 8), 0x50020000},
    });
}

// A standard dialog template holds control ids in 16 bits: its -1 reads back
// as 0xFFFF (the extended template of the name dialog keeps -1).
constexpr int kNoId = 0xFFFF;

std::vector<ExpectedControl> SettingsDialogControls() {
    return InPixels({
        {1002, L"Button", L"OK", Box(2, 117, 50, 14), 0x50010001},
        {IDCANCEL, L"Button", L"ｷｬﾝｾﾙ", Box(60, 117, 50, 14), 0x50010000},
        {kNoId, L"Button", L"ボタン動作", Box(3, 4, 65, 44), 0x50000007},
        {1000, L"Button", L"通常モード", Box(13, 19, 47, 10), 0x50000009},
        // Checked: Rapid is the mode of a first start.
        {1001, L"Button", L"連打モード", Box(13, 34, 47, 10), 0x50000009 | WS_TABSTOP},
        {kNoId, L"Button", L"スリープ設定", Box(3, 53, 157, 59), 0x50000007},
        {kNoId, L"Static",
         L"この値を１以上にすると、プロセス使用率が下がりますが、ややキーの反応が遅くなります。",
         Box(8, 66, 144, 17), 0x50020000},
        // The up-down control places itself at the right edge of its buddy,
        // which gives up that width: both checked apart.
        {1004, L"Edit", L"0", RECT{}, 0x50810080 & ~WS_BORDER},
        {1005, L"msctls_updown32", L"Spin1", RECT{}, 0x50000036},
        {kNoId, L"Button", L"最短押下時間", Box(3, 136, 157, 70), 0x50000007},
        {kNoId, L"Static",
         L"キーを押してから離すまでの最短の時間です。短い押しを取りこぼすゲームでは "
         L"20〜50 にしてください。",
         Box(8, 149, 144, 26), 0x50020000},
        {1006, L"Edit", L"0", RECT{}, 0x50810080 & ~WS_BORDER},
        {1007, L"msctls_updown32", L"Spin2", RECT{}, 0x50000036},
    });
}

// The box of key `key` (0 or 1) of input `row` in the grid.
RECT KeyBox(int row, int key) {
    const int right = 215 + 175 * key;
    return RECT{right - 110, 20 + 25 * row, right, 40 + 25 * row};
}

// The label box of input `row`.
RECT LabelBox(int row) {
    return RECT{8, 20 + 25 * row, 100, 40 + 25 * row};
}

RECT Inside(const RECT& box) {
    return RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
}

// A white box framed in black, with the window's background around it.
void ExpectFramedBox(const ClientShot& shot, const RECT& box) {
    const int middleX = (box.left + box.right) / 2;
    const int middleY = (box.top + box.bottom) / 2;
    EXPECT_EQ(shot.At(box.left, middleY), kBlack);
    EXPECT_EQ(shot.At(box.right - 1, middleY), kBlack);
    EXPECT_EQ(shot.At(middleX, box.top), kBlack);
    EXPECT_EQ(shot.At(middleX, box.bottom - 1), kBlack);
    EXPECT_EQ(shot.At(box.right - 3, box.bottom - 3), kWhite);
    EXPECT_EQ(shot.At(box.left - 2, middleY), kBackground);
    EXPECT_EQ(shot.At(box.right + 2, middleY), kBackground);
    EXPECT_EQ(shot.At(middleX, box.bottom + 2), kBackground);
}

class MapperWindowE2E : public MapperE2E {
  protected:
    void SetUp() override {
        MapperE2E::SetUp();
        PlugJoystick();
    }
    void StartShown(MapperRun& run) {
        StartWithJoystick(run, L"");
        ASSERT_TRUE(RepaintAndWait(run.Main(), kActMs));
    }
};

TEST_F(MapperWindowE2E, MainWindowControlsMatchTheirTable) {
    MapperRun run;
    StartShown(run);
    wchar_t className[32] = {};
    GetClassNameW(run.Main(), className, 32);
    EXPECT_STREQ(className, L"PamuroMain");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(run.Main(), GWL_STYLE)), 0x14CA0000u);
    RECT frame;
    GetWindowRect(run.Main(), &frame);
    EXPECT_EQ(frame.right - frame.left, 525);
    EXPECT_EQ(frame.bottom - frame.top, 705);
    ExpectControls(run.Main(), MainWindowControls());
    // Title bar, task bar and tray show icon 102's own 16 x 16 image, not the
    // 32 x 32 one scaled down.
    const SIZE smallIcon = ClassSmallIconSize(run.Main());
    EXPECT_EQ(smallIcon.cx, 16);
    EXPECT_EQ(smallIcon.cy, 16);
    const auto expectPlaced = [&](int id, int left, int top, int right) {
        RECT combo = {};
        GetWindowRect(run.Control(id), &combo);
        MapWindowPoints(nullptr, run.Main(), reinterpret_cast<POINT*>(&combo), 2);
        EXPECT_EQ(combo.left, left) << id;
        EXPECT_EQ(combo.top, top) << id;
        EXPECT_EQ(combo.right, right) << id;
    };
    expectPlaced(IDC_MAIN_SET_LIST, 8, 620, 513);
    for (int slot = 0; slot < 24; ++slot) {
        expectPlaced(IDC_MAIN_RAPID_FIRE + slot, 455, 20 + 25 * slot, 510);
    }

    HWND capture = run.FindWindowOf(L"PamuroKey", nullptr);
    ASSERT_NE(capture, nullptr);
    EXPECT_EQ(WindowText(capture), L"キー登録");
    // Every overlapped window gets a caption (WS_BORDER beside WS_DLGFRAME)
    // from the system.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(capture, GWL_STYLE)), 0x04400000u | WS_BORDER);
    GetWindowRect(capture, &frame);
    EXPECT_EQ(frame.right - frame.left, 500);
    EXPECT_EQ(frame.bottom - frame.top, 135);
    ExpectControls(capture,
                   {{1000, L"Button", L"キャンセル", Box(390, 45, 100, 25), 0x50010000},
                    {-1, L"Static", L"またはボタンで行う機能:", Box(10, 85, 140, 20), 0x5000000C},
                    {1001, L"ComboBox", nullptr, RECT{}, 0x50210243 & ~WS_VSCROLL},
                    {1002, L"Button", L"機能を割り当て", Box(390, 80, 100, 25), 0x50010000}});
    CloseAndWait(run);
}

TEST_F(MapperWindowE2E, DialogsOpenedWithTheMouseMatchTheirTables) {
    MapperRun run;
    StartShown(run);
    ASSERT_TRUE(ClickControl(run.Control(IDC_MAIN_RENAME)));  // "名前"
    HWND dialog = run.WaitDialog(L"名前設定", kActMs);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindowLongW(dialog, GWL_STYLE) & 0x80C000C0, 0x80C000C0);
    EXPECT_NE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    ExpectControls(dialog, NameDialogControls());
    EXPECT_NE(GetWindowLongW(GetDlgItem(dialog, IDC_NAME_EDIT), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    ASSERT_TRUE(ClickControl(GetDlgItem(dialog, IDCANCEL)));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, kActMs));

    ASSERT_TRUE(ClickControl(run.Control(IDC_MAIN_SETTINGS)));  // "設定"
    dialog = run.WaitDialog(L"環境設定", kActMs);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindowLongW(dialog, GWL_STYLE) & 0x80C000C0, 0x80C000C0);
    EXPECT_EQ(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    ExpectControls(dialog, SettingsDialogControls());
    ExpectEditWithItsUpDown(dialog, IDC_SLEEP_EDIT, Box(8, 88, 48, 16));
    ExpectEditWithItsUpDown(dialog, IDC_MIN_PRESS_EDIT, Box(8, 182, 48, 16));
    ASSERT_TRUE(ClickControl(GetDlgItem(dialog, IDCANCEL)));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, kActMs));
    CloseAndWait(run);
}

// The grid of a set that binds A to the first key of Up: the 48 key boxes and
// the 24 label boxes white, framed in black, on the window's background; text
// in the bound key's box and in every label, none in an unbound key's box;
// the headings; button 1's rapid fire, a rate of the file that the list does
// not offer. Choosing the other set in the list, with the mouse, empties the
// bound box and shows that set's rates; a rate chosen there is saved.
TEST_F(MapperWindowE2E, GridIsPaintedInFramedBoxesWithTheActiveSetsKeys) {
    WriteFileBytes(TopIni(), PreparedTopIni({L"操作", L"空"}, {"KEYSET 0- 0- 0=65"}, 1, 0) +
                                 "[TURBO]\r\nTURBO 0- 4=7\r\n");
    MapperRun run;
    StartShown(run);
    const ClientShot shot(run.Main());
    ASSERT_FALSE(shot.Empty()) << "the screen could not be read";
    EXPECT_EQ(WindowText(run.Control(IDC_MAIN_RAPID_FIRE + 4)), L"7");
    for (int row = 0; row < 24; ++row) {
        const RECT label = LabelBox(row);
        SCOPED_TRACE("row " + std::to_string(row));
        ExpectFramedBox(shot, label);
        EXPECT_GT(shot.CountOtherThan(Inside(label), kWhite), 0) << "no row label";
        for (int key = 0; key < 2; ++key) {
            const RECT box = KeyBox(row, key);
            ExpectFramedBox(shot, box);
            const bool bound = row == 0 && key == 0;
            EXPECT_EQ(shot.CountOtherThan(Inside(box), kWhite) > 0, bound) << "key " << key;
        }
    }
    // The headings: text at each left edge, the background above them.
    for (int left : {8, 105, 220, 280, 395, 455}) {
        SCOPED_TRACE("heading at " + std::to_string(left));
        EXPECT_GT(shot.CountOtherThan(RECT{left, 6, left + 24, 15}, kBackground), 20);
        EXPECT_EQ(shot.At(left + 4, 2), kBackground);
    }

    ASSERT_TRUE(ClickControl(run.Control(IDC_MAIN_SET_LIST)));
    HWND list = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            list = run.FindWindowOf(L"ComboLBox", nullptr);
            return list != nullptr && IsWindowVisible(list);
        },
        kActMs))
        << "the list did not drop";
    const int entryHeight = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    RECT listArea;
    GetClientRect(list, &listArea);
    ASSERT_TRUE(ClickAt(list, POINT{listArea.right / 2, entryHeight + entryHeight / 2}));
    // The list closes on the click, which has then been handled; the
    // selection alone follows the pointer before.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(list); }, kActMs));
    ASSERT_EQ(ComboSelection(run), 1);
    // The set changes with the notification that follows the click, and the
    // screen shows a paint a little after it ends: look until the box is
    // empty or the time is up.
    int markedPixels = -1;
    WaitUntil(
        [&] {
            markedPixels = RepaintAndWait(run.Main(), kActMs)
                               ? ClientShot(run.Main()).CountOtherThan(Inside(KeyBox(0, 0)), kWhite)
                               : -1;
            return markedPixels == 0;
        },
        kActMs);
    EXPECT_EQ(markedPixels, 0) << "the other set binds nothing";
    EXPECT_EQ(WindowText(run.Main()), Title(L"操作")) << "the list alone leaves the title";
    HWND rates = run.Control(IDC_MAIN_RAPID_FIRE + 4);
    EXPECT_EQ(WindowText(rates), L"－");
    SendMessageW(rates, CB_SETCURSEL, 3, 0);  // "10", as a choice with the mouse leaves it
    SendMessageW(run.Main(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_RAPID_FIRE + 4, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(rates));
    CloseAndWait(run);
    EXPECT_NE(ReadFileBytes(TopIni()).find("[TURBO]\r\nTURBO 0- 4=7\r\nTURBO 1- 4=10\r\n"),
              std::string::npos);
}

// While button 10 is held its label box is drawn with inverted colours
// (black inside, white frame), and plain again once it lets go; the other
// rows stay plain.
TEST_F(MapperWindowE2E, TheLabelOfAHeldButtonIsHighlightedWhileHeld) {
    MapperRun run;
    StartShown(run);
    const RECT label = LabelBox(13);
    const auto inside = [&] {
        return ClientShot(run.Main()).At(label.right - 3, label.bottom - 3);
    };
    stick_->Buttons = 1 << 9;
    ASSERT_TRUE(WaitUntil([&] { return inside() == kBlack; }, kActMs)) << "not highlighted";
    const ClientShot held(run.Main());
    EXPECT_EQ(held.At(label.left, (label.top + label.bottom) / 2), kWhite);
    EXPECT_GT(held.CountOtherThan(Inside(label), kBlack), 0) << "no label text";
    ExpectFramedBox(held, LabelBox(12));
    ExpectFramedBox(held, LabelBox(14));
    stick_->Buttons = 0;
    ASSERT_TRUE(WaitUntil([&] { return inside() == kWhite; }, kActMs)) << "still highlighted";
    ExpectFramedBox(ClientShot(run.Main()), label);
    CloseAndWait(run);
}

// Every paint creates its two fonts and deletes them again: many repaints
// leave the program's GDI objects as they were.
TEST_F(MapperWindowE2E, RepaintingHoldsNoNewGdiObjects) {
    // The count must see objects come and go: ten fonts of the driver's own.
    const LONG own = GdiObjectCount(GetCurrentProcess());
    ASSERT_GT(own, 0);
    std::vector<HFONT> fonts;
    for (int i = 0; i < 10; ++i) {
        fonts.push_back(CreateFontW(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0,
                                    0, 0, 0, L"Arial"));
    }
    EXPECT_EQ(GdiObjectCount(GetCurrentProcess()), own + 10);
    for (HFONT font : fonts) {
        DeleteObject(font);
    }

    MapperRun run;
    StartShown(run);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(RepaintAndWait(run.Main(), kActMs));
    }
    const LONG before = GdiObjectCount(run.Process());
    ASSERT_GT(before, 0);
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(RepaintAndWait(run.Main(), kActMs)) << "paint " << i;
    }
    // The system's own objects come and go by one or two meanwhile; a leak
    // of one object in thirty paints would show.
    EXPECT_LT(GdiObjectCount(run.Process()) - before, 10);
    CloseAndWait(run);
}

// Opens the tray popup, compares it with `expected` and closes it again.
void ExpectTrayPopup(MapperRun& run, const std::vector<std::wstring>& expected) {
    HWND popup = run.OpenTrayPopup(kActMs);
    ASSERT_NE(popup, nullptr) << "no popup";
    EXPECT_EQ(DescribeMenu(popup), expected);
    PostKey(popup, VK_ESCAPE);
    ASSERT_TRUE(WaitClosed(popup));
}

// "新規" and "削除", clicked with the mouse: the tray popup lists the sets
// that there are, above the fixed items, every time.
TEST_F(MapperWindowE2E, TrayPopupFollowsNewAndDelete) {
    MapperRun run;
    StartShown(run);
    HWND list = run.Control(IDC_MAIN_SET_LIST);
    ASSERT_TRUE(ClickControl(run.Control(IDC_MAIN_NEW)));  // "新規"
    ASSERT_TRUE(WaitUntil([&] { return ComboEntries(list).size() == 2; }, kActMs));
    ExpectTrayPopup(run, TrayMenu({L"1 無題 [checked]", L"0 無題"}, false));

    ASSERT_TRUE(ClickControl(run.Control(IDC_MAIN_DELETE)));  // "削除"
    HWND confirm = run.WaitDialog(L"確認", kActMs);
    ASSERT_NE(confirm, nullptr);
    ASSERT_TRUE(ClickControl(GetDlgItem(confirm, IDYES)));
    ASSERT_TRUE(WaitUntil([&] { return ComboEntries(list).size() == 1; }, kActMs));
    ExpectTrayPopup(run, TrayMenu({L"0 無題 [checked]"}, false));
    CloseAndWait(run);
}

// The joystick warning has no owner, so the main window takes commands while
// it is open. A set made then is in the tray popup once, the fixed items
// stay whole, and start-up's own first fill after the warning replaces the
// entries instead of adding to them.
TEST_F(MapperE2E, CommandsDuringTheStartupWarningKeepTheTrayPopupWhole) {
    MapperRun run;
    HWND warning = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartToWarning(run, &warning));
    ASSERT_TRUE(ClickControl(run.Control(IDC_MAIN_NEW)));  // "新規"
    ASSERT_TRUE(WaitUntil([&] { return ComboEntries(run.Control(IDC_MAIN_SET_LIST)).size() == 2; },
                          kActMs));
    ExpectTrayPopup(run, TrayMenu({L"1 無題 [checked]", L"0 無題"}, false));

    PostMessageW(warning, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return ComboSelection(run) == 0; }, kStartMs))
        << "start-up did not select the first set";
    ExpectTrayPopup(run, TrayMenu({L"1 無題", L"0 無題 [checked]"}, false));
    CloseAndWait(run);
}

UINT TaskbarCreated() {
    return RegisterWindowMessageW(L"TaskbarCreated");
}

// Sends `message` and returns once the program has handled it.
bool SendAndWait(HWND window, UINT message) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, message, 0, 0, SMTO_BLOCK, kActMs, &ignored) != 0;
}

// An Explorer that starts again has lost every icon and tells every window
// with "TaskbarCreated": the program hidden in the tray puts its icon back,
// and the icon works; a shown window adds none.
TEST_F(MapperWindowE2E, TrayIconComesBackWhenExplorerRestarts) {
    MapperRun run;
    StartWithJoystick(run, L"/T");
    HWND main = run.Main();
    ASSERT_TRUE(TrayIconPresent(main));
    ASSERT_TRUE(RemoveTrayIconOf(main));
    PostMessageW(HWND_BROADCAST, TaskbarCreated(), 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return TrayIconPresent(main); }, kActMs)) << "no icon again";
    EXPECT_FALSE(IsWindowVisible(main));

    PostMessageW(main, kTrayNotifyMessage, kTrayIconId, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, kActMs));
    ASSERT_TRUE(WaitUntil([&] { return !TrayIconPresent(main); }, kActMs));
    ASSERT_TRUE(SendAndWait(main, TaskbarCreated()));
    EXPECT_FALSE(TrayIconPresent(main)) << "an icon beside a shown window";
    CloseAndWait(run);
}

// When the shell refuses the icon (here because an icon of the same window
// and id is there already), the window is not hidden, neither at a minimise
// nor after an Explorer restart: it stays on the task bar, where it can be
// reached.
TEST_F(MapperWindowE2E, WindowStaysReachableWhenTheShellRefusesTheIcon) {
    MapperRun run;
    StartWithJoystick(run, L"");
    HWND main = run.Main();
    ASSERT_TRUE(AddTrayIconFor(main));
    SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(main));
    EXPECT_TRUE(IsWindowVisible(main)) << "hidden without an icon of its own";

    ASSERT_TRUE(RemoveTrayIconOf(main));
    SendMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);
    SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, kActMs));
    ASSERT_TRUE(TrayIconPresent(main));
    ASSERT_TRUE(RemoveTrayIconOf(main));  // Explorer ends...
    ASSERT_TRUE(AddTrayIconFor(main));    // ...and its place is taken
    ASSERT_TRUE(SendAndWait(main, TaskbarCreated()));
    EXPECT_TRUE(IsWindowVisible(main)) << "hidden, and its icon refused";
    RemoveTrayIconOf(main);
    CloseAndWait(run);
}

struct ForeignBoxSearch {
    DWORD programId;
    const std::wstring* fragment;
    HWND found;
};

BOOL CALLBACK MatchForeignBox(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<ForeignBoxSearch*>(parameter);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->programId && IsWindowVisible(window) &&
        lstrcmpW(className, L"#32770") == 0 &&
        MessageBoxText(window).find(*search->fragment) != std::wstring::npos) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible message box of another process than the program's whose text
// holds `fragment`; null when there is none.
HWND ForeignMessageBoxWith(DWORD programId, const std::wstring& fragment) {
    ForeignBoxSearch search = {programId, &fragment, nullptr};
    EnumWindows(MatchForeignBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// With a Pamuro.hlp beside the program, the help button hands the help
// engine that very file by its full path, whatever the current folder. The
// file here is no help file, so the engine says it cannot read it, naming it.
TEST_F(MapperWindowE2E, HelpGivesTheHelpEngineThePamuroHlpBesideTheProgram) {
    const std::wstring helpFile = OwnFolder() + L"Pamuro.hlp";
    WriteFileBytes(helpFile, "not a help file");
    struct RemoveAtEnd {
        std::wstring path;
        ~RemoveAtEnd() { DeleteFileW(path.c_str()); }
    } removeAtEnd = {helpFile};
    MapperRun run;
    StartShown(run);
    ASSERT_TRUE(ClickControl(run.Control(IDC_MAIN_HELP)));  // "ヘルプ"
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (box = ForeignMessageBoxWith(run.ProcessId(), L"Pamuro.hlp")) != nullptr; },
        kStartMs))
        << "the help engine showed nothing";
    EXPECT_NE(MessageBoxText(box).find(helpFile), std::wstring::npos) << Sjis(MessageBoxText(box));
    // The help engine is a process of its own, started for the program.
    DWORD helpEngine = 0;
    GetWindowThreadProcessId(box, &helpEngine);
    HANDLE engine = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, helpEngine);
    ASSERT_NE(engine, nullptr);
    TerminateProcess(engine, 0);
    WaitForSingleObject(engine, kActMs);
    CloseHandle(engine);
    CloseAndWait(run);
}

}  // namespace
