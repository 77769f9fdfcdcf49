// The three user settings and the settings file they are kept in: "skyvist.ini" (in the user's
// configuration directory), section "Corvane Skyvistas", one key per setting with the value 1 or 0.
#pragma once

#include "platform/core/win_types.h"

inline constexpr const char* kSettingsFile = "skyvist.ini";
inline constexpr const char* kSettingsSection = "Corvane Skyvistas";
inline constexpr const char* kUseSlideMenusKey = "use_slide_menus";
inline constexpr const char* kUseWindowsBkgColorKey = "use_windows_bkg_color";
inline constexpr const char* kUseStandardScrollKey = "use_standard_scroll";

struct UserSettings {
    BOOL use_slide_menus = 1;       // animated slide popup menus
    BOOL use_windows_bkg_color = 0; // the system's dialog colour as the window background
    BOOL use_standard_scroll = 1;   // scroll bars instead of edge scrolling
};

// Reads the three keys; a missing file, section or key keeps the value given, a present value is
// read as a decimal integer and any non-zero value is on.
void ReadSettingsFile(UserSettings& settings);
// Writes the three keys as "1" or "0", in the order slide menus, background colour, standard
// scroll. A failed write is silent.
void WriteSettingsFile(const UserSettings& settings);
