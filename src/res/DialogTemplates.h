#pragma once

#include <vector>

// The dialogs as data: every control with its id, kind, text, rectangle in dialog units and
// style, in template order (which is also the tab order).
namespace res {

constexpr int kNoId = -1;

enum class ControlKind
{
    StaticText,
    ListCombo, // a drop-down list without typing
    EditCombo, // a drop-down list with an edit field
    PushButton,
    DefaultPushButton,
    CheckBox,
    GroupBox,
    Slider,
    EditBox,
    Icon,
};

enum ControlStyle : unsigned
{
    kStyleNone = 0,
    kHidden = 1u << 0,
    kCentred = 1u << 1, // text centred horizontally
    kVCentred = 1u << 2, // text centred vertically
    kSunken = 1u << 3, // thin sunken edge
    kTabStop = 1u << 4,
    kNoPrefix = 1u << 5, // '&' is shown as written
};

struct ControlTemplate
{
    int id;
    ControlKind kind;
    const char *text; // UTF-8; for a combo box, unused
    int x, y, width, height;
    unsigned style;
    std::vector<const char *> items = {}; // combo box items, in order
};

struct DialogTemplate
{
    int id;
    const char *caption;
    // Font families in order of preference, and the size in points.
    std::vector<const char *> fontFamilies;
    int pointSize;
    int width, height;
    std::vector<ControlTemplate> controls;
};

// Dialog 102: the main dialog.
const DialogTemplate &MainDialogTemplate();
// Dialog 100: the About box.
const DialogTemplate &AboutDialogTemplate();
// Dialog 136: the colour dialog.
const DialogTemplate &ColorDialogTemplate();

// String 101: the About item of the dialog's menu; empty for none.
extern const char kAboutMenuText[];
// The help text shown on F1, and its caption.
extern const char kHelpText[];
extern const char kHelpCaption[];

// Control ids used by code.
enum ControlId
{
    IDOK = 1,
    IDCANCEL = 2,
    IDC_PATH = 1000,
    IDC_BROWSE = 1011,
    IDC_SCREENSHOT = 1012,
    IDC_RATIO = 1013,
    IDC_QUALITY = 1014,
    IDC_HINT = 1015,
    IDC_WINDOWSHOT = 1016,
    IDC_SAME_FOLDER = 1021,
    IDC_COLOR = 1022,
    IDC_COLOR_DETAILS = 1024,
    // colour dialog
    IDC_HUE_EDIT = 1022,
    IDC_HUE_SLIDER = 1023,
    IDC_SATURATION_SLIDER = 1024,
    IDC_VALUE_SLIDER = 1025,
    IDC_SATURATION_EDIT = 1026,
    IDC_VALUE_EDIT = 1027,
};

} // namespace res
