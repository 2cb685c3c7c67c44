#include "Settings.h"

#include <cstdlib>
#include <cstring>

#include <pwd.h>
#include <unistd.h>

namespace settings {

std::string CompressPath;
int CompressDenom = 0;
int CompressRate = 0;
int SameFolder = 0;
int Color = 0;
int Hue = 0;
int Saturation = 0;
int Value = 0;

std::string BasePath;
std::string CameraPath;
std::string Rate;
int DspTime = 0;
int ExifCheck = 0;
int PicWindow = 0;
int Delete = 0;
int Edge = 0;
int Depth = 0;
int Sharp = 0;
int ModMode = 0;

namespace {

    SettingInfo Text(const char *key, std::string *value)
    {
        return {key, SettingType::Text, nullptr, value, 0};
    }

    SettingInfo Integer(const char *key, int *value, int defaultValue)
    {
        return {key, SettingType::Integer, value, nullptr, defaultValue};
    }

} // namespace

const SettingInfo (&AllSettings())[19]
{
    static const SettingInfo table[19] = {
        Text("BasePath", &BasePath),
        Text("CameraPath", &CameraPath),
        Text("Rate", &Rate),
        Integer("DspTime", &DspTime, 3),
        Text("CompressPath", &CompressPath),
        Integer("CompressDenom", &CompressDenom, 2),
        Integer("CompressRate", &CompressRate, 60),
        Integer("SameFolder", &SameFolder, 0),
        Integer("ExifCheck", &ExifCheck, 0),
        Integer("Hue", &Hue, 0),
        Integer("Saturation", &Saturation, 40),
        Integer("Value", &Value, 10),
        Integer("Color", &Color, 1),
        Integer("PicWindow", &PicWindow, 0),
        Integer("Delete", &Delete, 1),
        Integer("Edge", &Edge, 50),
        Integer("Depth", &Depth, 50),
        Integer("Sharp", &Sharp, 50),
        Integer("ModMode", &ModMode, 1),
    };
    return table;
}

std::string HomeFolder()
{
    if (const char *home = std::getenv("HOME"); home && *home) {
        return home;
    }
    if (const passwd *entry = getpwuid(getuid()); entry && entry->pw_dir && *entry->pw_dir) {
        return entry->pw_dir;
    }
    return "/";
}

std::string DefaultText(const char *key)
{
    std::string base = HomeFolder();
    if (base.size() > 1 && base.back() == '/') {
        base.pop_back();
    }
    if (base == "/") {
        base.clear();
    }
    base += "/Marnoth";
    if (std::strcmp(key, "BasePath") == 0) {
        return base;
    }
    if (std::strcmp(key, "CompressPath") == 0) {
        return base + "/縮小画像フォルダ";
    }
    if (std::strcmp(key, "Rate") == 0) {
        return "0.4";
    }
    return {};
}

void LoadDefaultSettings()
{
    for (const SettingInfo &info : AllSettings()) {
        if (info.type == SettingType::Integer) {
            *info.integer = info.defaultInteger;
        } else {
            *info.text = DefaultText(info.key);
        }
    }
}

} // namespace settings
