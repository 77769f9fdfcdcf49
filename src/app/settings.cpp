// Reading and writing the settings file.
#include "app/settings.h"

#include "platform/core/profile.h"

namespace {

BOOL readKey(const char* key, BOOL current) {
    return GetPrivateProfileIntA(kSettingsSection, key, current ? 1 : 0, kSettingsFile) != 0
               ? TRUE
               : FALSE;
}

void writeKey(const char* key, BOOL value) {
    WritePrivateProfileStringA(kSettingsSection, key, value ? "1" : "0", kSettingsFile);
}

} // namespace

void ReadSettingsFile(UserSettings& settings) {
    settings.use_slide_menus = readKey(kUseSlideMenusKey, settings.use_slide_menus);
    settings.use_windows_bkg_color =
        readKey(kUseWindowsBkgColorKey, settings.use_windows_bkg_color);
    settings.use_standard_scroll = readKey(kUseStandardScrollKey, settings.use_standard_scroll);
}

void WriteSettingsFile(const UserSettings& settings) {
    writeKey(kUseSlideMenusKey, settings.use_slide_menus);
    writeKey(kUseWindowsBkgColorKey, settings.use_windows_bkg_color);
    writeKey(kUseStandardScrollKey, settings.use_standard_scroll);
}
