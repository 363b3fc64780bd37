#pragma once
// The main program's own texts, as Shift-JIS bytes. The Win32 code shows them
// through the wide functions after converting them from code page 932.

// The window title around the active set's name: "Pamuro - 「name」".
inline constexpr char kTitlePrefix[] = "Pamuro - \x81u";  // Pamuro - 「
inline constexpr char kTitleSuffix[] = "\x81v";           // 」
// The title before the first refresh, and while the table holds no set.
inline constexpr char kPlainTitle[] = "Pamuro";

inline constexpr char kNoJoystickMessage[] =
    "\x83W\x83\x87\x83"
    "C\x83X\x83"
    "e\x83"
    "B\x83"
    "b\x83N\x82\xaa\x8eg\x97p\x82\xc5\x82\xab\x82"
    "\xdc\x82\xb9\x82\xf1\x81"
    "B";  // ジョイスティックが使用できません。
inline constexpr char kEmptyNameMessage[] =
    "\x96\xbc\x91O\x82\xaa\x93\xfc\x97\xcd\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82"
    "\xf1";  // 名前が入力されていません
// The delete confirmation around the set's name.
inline constexpr char kDeletePromptPrefix[] = "\x83L\x81[\x90\xdd\x92\xe8\x81u";  // キー設定「
inline constexpr char kDeletePromptSuffix[] =
    "\x81v\x82\xf0\x8d\xed\x8f\x9c\x82\xb5\x82\xdc\x82\xb7\x81"
    "B\x82\xe6\x82\xeb\x82\xb5\x82"
    "\xa2\x82\xc5\x82\xb7\x82\xa9\x81H";  // 」を削除します。よろしいですか？
inline constexpr char kConfirmCaption[] =
    "\x8am\x94"
    "F";  // 確認
// Shown when Top.ini could not be written at the end of a run.
inline constexpr char kSaveFailedMessage[] =
    "\x90\xdd\x92\xe8\x82\xf0\x95\xdb\x91\xb6\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82"
    "\xb5\x82\xbd\x81"
    "B\r\n\x88\xc8\x91O\x82\xcc Top.ini \x82\xcd\x95\xcf\x8dX\x82\xb3\x82\xea"
    "\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1\x81"
    "B";
// 設定を保存できませんでした。\r\n以前の Top.ini は変更されていません。

// Row labels of the binding grid, in InputSlot order.
inline constexpr const char* kRowLabels[12] = {
    "\x8f\xe3\x83{\x83^\x83\x93",  // 上ボタン
    "\x89\xba\x83{\x83^\x83\x93",  // 下ボタン
    "\x8d\xb6\x83{\x83^\x83\x93",  // 左ボタン
    "\x89\x45\x83{\x83^\x83\x93",  // 右ボタン
    "\x82P\x83{\x83^\x83\x93",     // １ボタン
    "\x82Q\x83{\x83^\x83\x93",     // ２ボタン
    "\x82R\x83{\x83^\x83\x93",     // ３ボタン
    "\x82S\x83{\x83^\x83\x93",     // ４ボタン
    "\x82T\x83{\x83^\x83\x93",     // ５ボタン
    "\x82U\x83{\x83^\x83\x93",     // ６ボタン
    "\x82V\x83{\x83^\x83\x93",     // ７ボタン
    "\x82W\x83{\x83^\x83\x93",     // ８ボタン
};

// Column headings of the grid and the left edge of each.
struct GridHeading {
    const char* text;
    int left;
};
inline constexpr GridHeading kGridHeadings[5] = {
    {"\x83W\x83\x87\x83"
     "C\x83X\x83"
     "e\x83"
     "B\x83"
     "b\x83N",
     8},                                                       // ジョイスティック
    {"\x8a\x84\x82\xe8\x93\x96\x82\xc4\x83L\x81[\x82P", 105},  // 割り当てキー１
    {"\x83L\x81[\x82P\x95\xcf\x8dX", 220},                     // キー１変更
    {"\x8a\x84\x82\xe8\x93\x96\x82\xc4\x83L\x81[\x82Q", 280},  // 割り当てキー２
    {"\x83L\x81[\x82Q\x95\xcf\x8dX", 395},                     // キー２変更
};

// Captions of the main window's controls and of the capture window.
inline constexpr char kChangeCaption[] = "\x95\xcf\x8dX";     // 変更
inline constexpr char kHelpCaption[] = "\x83w\x83\x8b\x83v";  // ヘルプ
inline constexpr char kNameCaption[] = "\x96\xbc\x91O";       // 名前
inline constexpr char kDeleteCaption[] = "\x8d\xed\x8f\x9c";  // 削除
inline constexpr char kNewCaption[] = "\x90V\x8bK";           // 新規
inline constexpr char kStartupCaption[] =
    "\x83X\x83^\x81[\x83g\x83"
    "A\x83"
    "b\x83v\x93o\x98^";                                          // スタートアップ登録
inline constexpr char kSettingsCaption[] = "\x90\xdd\x92\xe8";   // 設定
inline constexpr char kComboCaption[] = "\x83R\x83\x93\x83{";    // コンボ
inline constexpr char kCaptureTitle[] = "\x83L\x81[\x93o\x98^";  // キー登録
inline constexpr char kCancelCaption[] = "\x83L\x83\x83\x83\x93\x83Z\x83\x8b";  // キャンセル
inline constexpr char kCapturePrompt[] =
    "\x8a\x84\x82\xe8\x93\x96\x82\xc4\x82\xe9\x83L\x81[\x82\xf0\x89\x9f\x82\xb5\x82\xc4\x82\xad"
    "\x82\xbe\x82\xb3\x82\xa2";  // 割り当てるキーを押してください
// The face of the grid's fonts.
inline constexpr char kGridFontFace[] =
    "\x82l\x82r \x83S\x83V\x83"
    "b\x83N";  // ＭＳ ゴシック
