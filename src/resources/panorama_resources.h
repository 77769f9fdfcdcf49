// Registers the program's embedded resources with the platform layer: the string table, the dialog
// templates, the Features menu, the direction cursors, the icon and the bitmaps.
#pragma once

// Call once after the toolkit application exists (runApplication's resource step; tests call it
// from their set-up). Registering again replaces the earlier registration.
void registerPanoramaResources();

namespace resources {

// The parts of the registration, for tests that need only some of them.
void registerStringTable();
void registerDialogsAndMenus();
void registerCursorsAndIcon();

// The hot spot of each direction cursor 101 to 108 (index 0 is 101, up; then clockwise).
struct CursorHotSpot {
    int x;
    int y;
};
inline constexpr CursorHotSpot kDirectionCursorHotSpots[8] = {{16, 0},  {31, 0}, {31, 15}, {31, 31},
                                                              {16, 31}, {0, 31}, {0, 16},  {0, 0}};

// The colour of the cursor images' transparent pixels (0x00bbggrr).
inline constexpr unsigned kCursorTransparentColour = 0x00FF00FFu;

} // namespace resources
