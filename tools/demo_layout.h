// The demo data set DEMO01: a fictional viewpoint, its hotspots on the panorama and its media.
// make_demo writes the tables from these lists; the image generators paint the landscape features
// inside the hotspot rectangles and make one file per media name.
#pragma once

namespace demo {

inline constexpr const char* kPanCode = "DEMO01";
inline constexpr int kPanoramaWidth = 8000;
inline constexpr int kPanoramaHeight = 1100;

inline constexpr const char* kViewpointName = "Elderfell Overlook";
inline constexpr const char* kViewpointLink = "10000";
inline constexpr const char* kCopyright = "(c) 1999 Tarnwick Media Works";
inline constexpr const char* kLocatorMap = "DEMO01I.JPG";        // panorama code + "I.JPG"
inline constexpr const char* kViewpointPicture = "DEMO01LC.JPG"; // panorama code + "LC.JPG"

// The photograph of the viewing terrace is larger than the visitor center's picture area both
// ways (at most about 500 x 320 on a 1024 x 768 screen), so the area scrolls; the other
// photographs and maps are 480 x 360.
inline constexpr const char* kLargePhoto = "DEMO01P1.JPG";
inline constexpr int kLargePhotoWidth = 1200;
inline constexpr int kLargePhotoHeight = 900;

// The videos: Motion-JPEG, 3 seconds at 12 frames a second; one has the sound of the falls.
inline constexpr int kVideoWidth = 320;
inline constexpr int kVideoHeight = 240;
inline constexpr int kVideoFramesPerSecond = 12;
inline constexpr int kVideoFrames = 36;
inline constexpr const char* kVideoWithSound = "DEMO01E1.AVI";
inline constexpr int kVideoSampleRate = 22050; // mono, 16-bit

enum class Feature {
    Peak,
    Ridge,
    Glacier,
    Pass,
    Lake,
    River,
    Waterfall,
    Valley,
    Forest,
    Village,
    Bridge,
    Tower
};

struct Hotspot {
    const char* hsid;   // starts with the panorama code; orders the hotspots
    const char* mslink; // link to the media records and the narrative
    const char* name;
    int x, y, width, height; // panorama pixels
    Feature feature;
    bool poi;  // listed under Points of Interest
    bool camp; // a camp site nearby (stored, not shown)
};

// In HSID order. The fire lookout has no media records, so the viewer skips it.
inline constexpr Hotspot kHotspots[] = {
    {"DEMO0101", "10001", "Greyhollow Peak", 620, 140, 420, 260, Feature::Peak, true, false},
    {"DEMO0102", "10002", "Lake Mirrowen", 1350, 660, 900, 190, Feature::Lake, true, true},
    {"DEMO0103", "10003", "Kestrel Valley", 2400, 430, 700, 300, Feature::Valley, true, true},
    {"DEMO0104", "10004", "Aldenbrook", 3200, 610, 360, 170, Feature::Village, true, false},
    {"DEMO0105", "10005", "Thornmere Falls", 3760, 330, 160, 330, Feature::Waterfall, true, false},
    {"DEMO0106", "10006", "The Sawtooth Ridge", 4200, 120, 900, 230, Feature::Ridge, true, false},
    {"DEMO0107", "10007", "Old Fire Lookout", 5200, 260, 120, 200, Feature::Tower, true, false},
    {"DEMO0108", "10008", "Hallam Glacier", 5450, 150, 520, 220, Feature::Glacier, true, false},
    {"DEMO0109", "10009", "Ember Pass", 6100, 300, 380, 160, Feature::Pass, false, true},
    {"DEMO0110", "10010", "Wrenfield Forest", 6550, 540, 700, 260, Feature::Forest, false, true},
    {"DEMO0111", "10011", "Copperstone Bridge", 7300, 720, 260, 110, Feature::Bridge, true, false},
    {"DEMO0112", "10012", "Coldwater River", 400, 860, 1200, 180, Feature::River, false, false},
};

// Media types: 0 the viewpoint picture, 1 a printable picture (maps), 2 a picture, 5 a video.
// A hotspot's "00" record names it: its SITE is the text on the command bar while the mouse is over
// the hotspot and its Points of Interest label, so it is the place's own name (an "Overview Map" or
// "Video" site there would be listed under its caption but shown as that word on the bar).
struct Media {
    int hotspot;          // index into kHotspots, or -1 for the viewpoint's own records
    const char* sequence; // MSLINKPLUS: "00" is the first record of a link
    const char* mediaName;
    int mediaType;
    const char* site;
    const char* caption;
    const char* credits; // some begin "(c)" or "c 1999" and show the copyright sign
};

inline constexpr Media kMedia[] = {
    {-1, "00", "DEMO01LC.JPG", 0, "Elderfell Overlook", "The overlook at sunrise",
     "(c) 1999 Tarnwick Media Works"},
    {-1, "01", "DEMO01M1.JPG", 1, "Overview Map", "Trail map of the Elderfell range",
     "c 1999 Tarnwick Cartography"},
    {-1, "02", "DEMO01P1.JPG", 2, "Elderfell Overlook", "Visitors on the viewing terrace",
     "Photo: Ines Varga"},
    {-1, "03", "DEMO01V1.AVI", 5, "Video", "A day at the overlook",
     "(C) 1999 Tarnwick Media Works"},
    {0, "00", "DEMO01A1.JPG", 2, "Greyhollow Peak", "The summit from the north-east",
     "(c) 1999 Tarnwick Media Works"},
    {0, "01", "DEMO01A2.JPG", 1, "Greyhollow Peak", "Climbing routes of the east face",
     "c 1998 Halden Alpine Club"},
    {0, "02", "DEMO01A3.AVI", 5, "Greyhollow Peak", "Flight along the summit ridge",
     "(c) 1999 Tarnwick Media Works"},
    {1, "00", "DEMO01B1.JPG", 2, "Lake Mirrowen", "Morning mist over the lake",
     "Photo: Tomas Brenn"},
    {1, "01", "DEMO01B2.JPG", 2, "Lake Mirrowen", "The boat landing at Mirrowen",
     "(c) 1999 Tarnwick Media Works"},
    {2, "00", "DEMO01C2.JPG", 2, "Kestrel Valley", "Hay meadows in the valley",
     "Photo: Ines Varga"},
    {2, "01", "DEMO01C1.JPG", 1, "Overview Map", "Kestrel Valley trails",
     "c 1999 Tarnwick Cartography"},
    {3, "00", "DEMO01D1.JPG", 2, "Aldenbrook", "The village green",
     "(c) 1999 Tarnwick Media Works"},
    {3, "01", "DEMO01D2.JPG", 1, "Aldenbrook", "Map of the village", "c 1999 Tarnwick Cartography"},
    {4, "00", "DEMO01E2.JPG", 2, "Thornmere Falls", "The falls in winter", "Photo: Tomas Brenn"},
    {4, "01", "DEMO01E1.AVI", 5, "Video", "Thornmere Falls in spring flood",
     "(c) 1999 Tarnwick Media Works"},
    {5, "00", "DEMO01F1.JPG", 2, "The Sawtooth Ridge", "The ridge at dusk",
     "(c) 1999 Tarnwick Media Works"},
    {5, "01", "DEMO01F2.JPG", 2, "The Sawtooth Ridge", "The north tooth from below",
     "Photo: Ines Varga"},
    {5, "02", "DEMO01F3.JPG", 1, "The Sawtooth Ridge", "Profile of the ridge",
     "c 1999 Tarnwick Cartography"},
    {7, "00", "DEMO01H1.JPG", 2, "Hallam Glacier", "Crevasses of the upper glacier",
     "(c) 1999 Tarnwick Media Works"},
    {7, "01", "DEMO01H2.AVI", 5, "Hallam Glacier", "Meltwater under the glacier",
     "(c) 1999 Tarnwick Media Works"},
    {8, "00", "DEMO01I1.JPG", 2, "Ember Pass", "The old mule track over the pass",
     "Photo: Tomas Brenn"},
    {9, "00", "DEMO01J1.JPG", 2, "Wrenfield Forest", "Old spruce stand",
     "(c) 1999 Tarnwick Media Works"},
    {9, "01", "DEMO01J2.JPG", 1, "Wrenfield Forest", "Forest paths", "c 1999 Tarnwick Cartography"},
    {10, "00", "DEMO01K1.JPG", 2, "Copperstone Bridge", "The stone arch of 1852",
     "Courtesy of the Aldenbrook Historical Society"},
    {11, "00", "DEMO01L1.JPG", 2, "Coldwater River", "Rapids below the bridge",
     "(c) 1999 Tarnwick Media Works"},
    {11, "01", "DEMO01L2.JPG", 2, "Coldwater River", "Anglers at the river mouth",
     "Photo: Ines Varga"},
};

} // namespace demo
