#include "DialogTemplates.h"

namespace res {

namespace {

    using K = ControlKind;

    // The dialog fonts by name, then the Japanese fonts that Debian ships in their place.
    const std::vector<const char *> kPGothic = {
        "ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic", "Noto Sans CJK JP"};
    const std::vector<const char *> kUiGothic = {"MS UI Gothic", "IPAPGothic", "Noto Sans CJK JP"};

} // namespace

const char kAboutMenuText[] = "バージョン情報 Kestrip(&A)...";
const char kHelpText[] =
    "操作は簡単なのでヘルプはありませんよ、姉妹品「もるだす」のページも参照してくださいね。";
const char kHelpCaption[] = "お知らせ";

const DialogTemplate &MainDialogTemplate()
{
    static const DialogTemplate dialog{
        102,
        "Trelvo",
        kPGothic,
        9,
        163,
        149,
        {
            {IDC_HINT, K::StaticText,
                "ここへドラッグアンドドロップで写真縮小できます。\n画面ショットはボタンをクリックし"
                "ます。",
                7, 9, 145, 18, kStyleNone},
            {IDC_RATIO, K::ListCombo, "", 34, 129, 32, 52, kTabStop, {"1/1", "1/2", "1/4", "1/8"}},
            {IDC_QUALITY, K::EditCombo, "", 95, 130, 32, 52, kTabStop,
                {"20", "30", "40", "50", "60", "70", "80", "90"}},
            {kNoId, K::StaticText, "縮小率", 5, 131, 23, 11, kCentred | kVCentred},
            {kNoId, K::StaticText, "％", 133, 133, 8, 10, kCentred | kVCentred},
            {IDOK, K::PushButton, "", 1, 0, 11, 6, kHidden},
            {IDCANCEL, K::PushButton, "", 15, 0, 11, 6, kHidden},
            {kNoId, K::StaticText, "画質", 79, 131, 15, 11, kCentred | kVCentred},
            {IDC_SAME_FOLDER, K::CheckBox, "同じフォルダに作成", 6, 79, 68, 12, kTabStop},
            {IDC_COLOR, K::CheckBox, "色相・彩度", 6, 115, 47, 12, kTabStop},
            {IDC_COLOR_DETAILS, K::PushButton, "色の詳細設定", 85, 113, 68, 13, kTabStop},
            {kNoId, K::GroupBox, "", 3, 0, 157, 31, kStyleNone},
            {kNoId, K::GroupBox, "変換の設定", 1, 68, 160, 78, kStyleNone},
            {IDC_BROWSE, K::PushButton, "出力パス設定", 85, 78, 68, 13, kTabStop},
            {IDC_PATH, K::StaticText, "スタティック", 4, 94, 151, 14, kVCentred | kSunken},
            {kNoId, K::GroupBox, "画面ショット", 0, 33, 159, 33, kStyleNone},
            {IDC_SCREENSHOT, K::PushButton, "スクリーンショット", 6, 43, 68, 20, kTabStop},
            {IDC_WINDOWSHOT, K::PushButton, "ウィンドウショット", 85, 43, 68, 20, kTabStop},
        },
    };
    return dialog;
}

const DialogTemplate &AboutDialogTemplate()
{
    static const DialogTemplate dialog{
        100,
        "バージョン情報 Trelvo",
        kUiGothic,
        9,
        235,
        67,
        {
            {kNoId, K::Icon, "", 11, 17, 18, 21, kStyleNone},
            {kNoId, K::StaticText, "Trelvo Version 1.0", 37, 18, 119, 8, kNoPrefix},
            {kNoId, K::StaticText, "Using Independent JPEG Group's JPEG Library", 37, 34, 188, 23,
                kStyleNone},
            {IDOK, K::DefaultPushButton, "OK", 178, 7, 50, 16, kTabStop},
        },
    };
    return dialog;
}

const DialogTemplate &ColorDialogTemplate()
{
    static const DialogTemplate dialog{
        136,
        "色相・彩度",
        kPGothic,
        9,
        270,
        125,
        {
            {IDOK, K::DefaultPushButton, "OK", 218, 2, 50, 14, kTabStop},
            {IDCANCEL, K::PushButton, "ｷｬﾝｾﾙ", 218, 17, 50, 14, kTabStop},
            {kNoId, K::StaticText, "　色相　（色合いを示します。度数で-180～180で指定)", 2, 13, 160,
                10, kVCentred | kNoPrefix},
            {kNoId, K::StaticText, "　彩度　(色の鮮やかさを -100%～100%で指定）", 2, 52, 162, 10,
                kVCentred | kNoPrefix},
            {kNoId, K::StaticText, "　明度　（明るさを -100%～100%で指定）", 2, 87, 142, 10,
                kVCentred | kNoPrefix},
            {IDC_HUE_SLIDER, K::Slider, "", 2, 25, 212, 20, kTabStop},
            {IDC_SATURATION_SLIDER, K::Slider, "", 2, 64, 212, 20, kTabStop},
            {IDC_VALUE_SLIDER, K::Slider, "", 2, 101, 212, 20, kTabStop},
            {IDC_HUE_EDIT, K::EditBox, "", 172, 12, 21, 13, kTabStop},
            {IDC_SATURATION_EDIT, K::EditBox, "", 172, 50, 22, 13, kTabStop},
            {IDC_VALUE_EDIT, K::EditBox, "", 172, 86, 22, 13, kTabStop},
            {kNoId, K::StaticText, "％", 200, 52, 9, 10, kVCentred},
            {kNoId, K::StaticText, "％", 200, 88, 9, 10, kVCentred},
            {kNoId, K::StaticText, "度", 200, 13, 9, 10, kVCentred},
        },
    };
    return dialog;
}

} // namespace res
