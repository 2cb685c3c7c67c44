#pragma once

#include <string>

// The nineteen process-wide settings, named by the keys they are stored under. Integers start at
// 0 and texts empty; LoadDefaultSettings (or the settings store) gives them their values.
namespace settings {

// Settings that steer the program.
extern std::string CompressPath; // output folder, absolute, UTF-8
extern int CompressDenom; // decode scale denominator (1, 2, 4, 8 from the dialog)
extern int CompressRate; // JPEG quality of every file written
extern int SameFolder; // nonzero: shrunk photos go beside their source
extern int Color; // nonzero: the hue/saturation/value shift is applied
extern int Hue; // degrees, -180..180 from the dialog
extern int Saturation; // percent, -100..100 from the dialog
extern int Value; // percent, -100..100 from the dialog

// Settings carried from start to exit unchanged.
extern std::string BasePath;
extern std::string CameraPath;
extern std::string Rate;
extern int DspTime;
extern int ExifCheck;
extern int PicWindow;
extern int Delete;
extern int Edge;
extern int Depth;
extern int Sharp;
extern int ModMode;

enum class SettingType
{
    Integer,
    Text
};

// One setting: its key, where it lives and its default. The default of a text setting is
// computed by DefaultText, since the folders depend on the user's home.
struct SettingInfo
{
    const char *key;
    SettingType type;
    int *integer; // set when type is Integer
    std::string *text; // set when type is Text
    int defaultInteger;
};

// All nineteen settings in the order in which they are loaded and saved.
const SettingInfo (&AllSettings())[19];

// The default of a text setting; empty for a key that is not a text setting.
std::string DefaultText(const char *key);

// The user's home folder: $HOME, else the password database entry, else "/".
std::string HomeFolder();

// Sets every setting to its default.
void LoadDefaultSettings();

} // namespace settings
