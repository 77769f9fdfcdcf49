// Loading of the hotspots, media records and menus by the panorama window: the messages of every
// failure and warning, the order of the arrays, the Points of Interest labels, ids and columns.
#include <functional>

#include <QMenu>

#include "hotspot_fixtures.h"
#include "platform/qt/dialog_template.h"
#include "platform/qt/menu.h"

using namespace hotspot_test;
using platform::MessageBoxCall;

namespace {

std::vector<std::string> itemTexts(platform::Menu* menu) {
    std::vector<std::string> texts;
    for (int i = 0; i < menu->GetMenuItemCount(); ++i)
        texts.push_back(menu->GetMenuString(UINT(i), MF_BYPOSITION));
    return texts;
}

class LoadingTest : public HotspotTest {};

} // namespace

// Every failure and warning of the loading, with the window's state afterwards. Failures that
// throw leave the window without hotspots, media records or Features menu, with both tables
// closed; warnings leave what was loaded.
TEST_F(LoadingTest, MessagesOfEveryFailureAndWarning) {
    const std::string count = "Actual number of hotspots, ";
    struct Case {
        const char* label;
        std::function<void()> prepare;
        std::vector<ExpectedBox> boxes;
        int hotspots, media;
        BOOL features;
    };
    const auto threeHotspots = [](std::vector<HotspotRow>& h, std::vector<MediaRow>& m) {
        makeHotspots(h, m, 3);
    };
    const std::vector<Case> cases = {
        {"no hotspot table",
         [this] {
             writeData({}, {});
             std::filesystem::remove(data.file("SVHOTSPO.DBF"));
         },
         {{"Error #:", "TABLE LAYER ERROR"}, {"Could not open hotspot table", kTitle}},
         0,
         0,
         FALSE},
        {"no mminfo table",
         [this] {
             writeData({}, {});
             std::filesystem::remove(data.file("SVMMINFO.DBF"));
         },
         {{"Error #:", "TABLE LAYER ERROR"}, {"Could not open mminfo table", kTitle}},
         0,
         0,
         FALSE},
        {"hotspot table without a POI field",
         [this] {
             writeData({}, {});
             auto fields = hotspotFields();
             fields[6].name = "LISTED";
             writeHotspots(data.path(), {}, fields);
         },
         {{"Error #:", "TABLE LAYER ERROR"}, {"Could not open hotspot table", kTitle}},
         0,
         0,
         FALSE},
        {"no Features menu",
         [this] {
             writeData({}, {{"10000", "00", "Overlook"}});
             platform::registerMenuResource(platform::MenuTemplate{156, {}});
         },
         {{"Could not load features menu", kTitle}},
         0,
         0,
         FALSE},
        {"no Points of Interest popup",
         [this] {
             writeData({}, {{"10000", "00", "Overlook"}});
             platform::MenuTemplateItem centre{MF_STRING, 32773, "&Multimedia Visitor Center", {}};
             platform::registerMenuResource(
                 platform::MenuTemplate{156, {{MF_POPUP, 0, "&Features", {centre}}}});
         },
         {{"Could not load points of interest menu", kTitle}},
         0,
         0,
         FALSE},
        {"no placeholder item",
         [this] {
             writeData({}, {{"10000", "00", "Overlook"}});
             platform::MenuTemplateItem points{MF_POPUP, 0, "&Points of Interest", {}};
             platform::registerMenuResource(
                 platform::MenuTemplate{156, {{MF_POPUP, 0, "&Features", {points}}}});
         },
         {{"Could not load points of interest menu", kTitle}},
         0,
         0,
         FALSE},
        {"fewer hotspots than expected",
         [&] {
             std::vector<HotspotRow> h;
             std::vector<MediaRow> m;
             threeHotspots(h, m);
             writeData(h, m, 5);
         },
         {{count + "3, not as expected, 5", kTitle}},
         3,
         3,
         TRUE},
        {"a hotspot without its 00 record is skipped",
         [&] {
             std::vector<HotspotRow> h;
             std::vector<MediaRow> m;
             threeHotspots(h, m);
             m[1].sequence = "01";
             writeData(h, m, 3);
         },
         {{count + "2, not as expected, 3", kTitle}},
         2,
         2,
         TRUE},
        {"more than 100 matching hotspots",
         [this] {
             std::vector<HotspotRow> h;
             std::vector<MediaRow> m;
             makeHotspots(h, m, 105);
             writeData(h, m, 105);
         },
         {{count + "100, not as expected, 105", kTitle}},
         100,
         100,
         TRUE},
        {"exactly 100 expected and stored",
         [this] {
             std::vector<HotspotRow> h;
             std::vector<MediaRow> m;
             makeHotspots(h, m, 100);
             writeData(h, m, 100);
         },
         {},
         100,
         100,
         TRUE},
        {"only the viewpoint's records",
         [this] {
             writeData({}, {{"10000", "00", "Overlook"}}, 0);
         },
         {},
         0,
         1,
         TRUE},
        {"nothing at all", [this] { writeData({}, {}, 0); }, {}, 0, 0, FALSE},
    };
    for (const Case& c : cases) {
        registerPanoramaResources();
        c.prepare();
        boxes->clear();
        auto dialog = open();
        ASSERT_NE(dialog, nullptr) << c.label;
        expectBoxes(boxes->calls(), c.boxes, c.label, dialog->GetSafeHwnd());
        PanoramaHotspots& h = dialog->hotspots();
        EXPECT_EQ(dialog->hotspotCount(), c.hotspots) << c.label;
        EXPECT_EQ(h.mediaCount(), c.media) << c.label;
        EXPECT_EQ(h.hasFeatures(), c.features) << c.label;
        // Both tables are closed, whatever happened.
        EXPECT_TRUE(dialog->context().tables.empty()) << c.label;
        // The window runs on: the Features button shows nothing without features.
        if (!c.features) {
            bool shown = false;
            platform::test::whenModal([&](platform::Window& w) {
                shown = true;
                w.SendMessage(WM_CANCELMODE);
            });
            platform::test::whenPopupMenu([&](QMenu& menu) {
                shown = true;
                menu.close();
            });
            dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_FEATURES, 0));
            platform::test::whenModal(nullptr);
            platform::test::whenPopupMenu(nullptr);
            EXPECT_FALSE(shown) << c.label;
            EXPECT_EQ(dialog->HitTestHotspot(centreOf(*dialog, 0).x, centreOf(*dialog, 0).y), -1)
                << c.label;
        }
    }
}

// A full media array drops further records silently: the hotspot that found it full is stored
// with first_media -1 and gets no menu item.
TEST_F(LoadingTest, AFullMediaArrayDropsFurtherRecords) {
    std::vector<HotspotRow> h;
    std::vector<MediaRow> m;
    makeHotspots(h, m, 45);
    for (int i = 0; i < 45; ++i) {
        m.push_back({h[std::size_t(i)].link, "01", "More"});
        m.push_back({h[std::size_t(i)].link, "02", "More"});
    }
    writeData(h, m);
    auto dialog = open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(boxes->calls().empty()) << boxes->calls()[0].text;
    const PanoramaHotspots& hs = dialog->hotspots();
    ASSERT_EQ(hs.hotspotCount(), 45);
    EXPECT_EQ(hs.mediaCount(), 125);
    // 41 hotspots take three records each (123), the 42nd takes the last two.
    EXPECT_EQ(hs.hotspots()[40].first_media, 120);
    EXPECT_EQ(hs.hotspots()[41].first_media, 123);
    EXPECT_EQ(hs.media()[124].mslinkplus, "01");
    for (int i = 42; i < 45; ++i)
        EXPECT_EQ(hs.hotspots()[i].first_media, -1) << i;
    EXPECT_EQ(hs.pointsOfInterestPopup()->GetMenuItemCount(), 42);
    EXPECT_EQ(hs.pointsOfInterestPopup()->GetMenuItemID(41), 20041u);
}

// The viewpoint's records come first, then each hotspot's in HSID order, each link in MSLINKPLUS
// order, whatever the order of the records in the files. Texts are trimmed, credits converted,
// links kept at full width; hotspots of other viewpoints are not read.
TEST_F(LoadingTest, ArrayOrderAndFirstMedia) {
    const std::vector<HotspotRow> hotspots = {
        {"TEST0102", "20002", 300, 50, 100, 80, 0},
        {"OTHER101", "30001", 0, 0, 10, 10, 1},
        {"TEST0101", "20001", 100, 200, 40, 30, 1},
        // A link that begins with the viewpoint's: the viewpoint's records stop before it.
        {"TEST0103", "100001", 500, 500, 10, 10, 1},
    };
    const std::vector<MediaRow> media = {
        {"20001", "01", "Falls", "The falls in winter", "Photo: Ann", 2, "B2.JPG"},
        {"10000", "02", "Overlook", "", "", 5, "V.AVI"},
        {"20002", "00", "Ridge", "", "(C) 1999 Works", 1, "C1.JPG"},
        {"10000", "00", "Overlook   ", "Sunrise  ", "(c) 1999 Works", 0, "LC.JPG"},
        {"20001", "00", "Falls", "Spring flood", "c1998 Club", 5, "B1.AVI"},
        {"30001", "00", "Elsewhere", "", "", 2, "X.JPG"},
        {"10000", "01", "Overview Map", "Trail map", "courtesy of the museum", 1, "M.JPG"},
        {"100001", "00", "Near", "", "", 2, "N.JPG"},
    };
    writeData(hotspots, media, 3);
    auto dialog = open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(boxes->calls().empty()) << boxes->calls()[0].text;
    const PanoramaHotspots& h = dialog->hotspots();

    struct ExpectedMedia {
        const char* link;
        const char* sequence;
        const char* name;
        int type;
        const char* site;
        const char* caption;
        const char* credits;
    } expected[] = {
        {"10000     ", "00", "LC.JPG", 0, "Overlook", "Sunrise", "\xA9 1999 Works"},
        {"10000     ", "01", "M.JPG", 1, "Overview Map", "Trail map", "\xA9ourtesy of the museum"},
        {"10000     ", "02", "V.AVI", 5, "Overlook", "", ""},
        {"20001     ", "00", "B1.AVI", 5, "Falls", "Spring flood",
         "\xA9"
         "1998 Club"},
        {"20001     ", "01", "B2.JPG", 2, "Falls", "The falls in winter", "Photo: Ann"},
        {"20002     ", "00", "C1.JPG", 1, "Ridge", "", "\xA9 1999 Works"},
        {"100001    ", "00", "N.JPG", 2, "Near", "", ""},
    };
    ASSERT_EQ(h.mediaCount(), 7);
    for (int i = 0; i < 7; ++i) {
        const MediaInfo& m = h.media()[i];
        const ExpectedMedia& e = expected[i];
        EXPECT_EQ(m.mslink, e.link) << i;
        EXPECT_EQ(m.mslinkplus, e.sequence) << i;
        EXPECT_EQ(m.media_name, e.name) << i;
        EXPECT_EQ(m.media_type, e.type) << i;
        EXPECT_EQ(m.site, e.site) << i;
        EXPECT_EQ(m.caption, e.caption) << i;
        EXPECT_EQ(m.credits, e.credits) << i;
        EXPECT_EQ(m.list_index, -1) << i;
    }

    ASSERT_EQ(h.hotspotCount(), 3);
    EXPECT_EQ(h.hotspots()[2].first_media, 6);
    const HotspotInfo& first = h.hotspots()[0];
    EXPECT_EQ(first.mslink, "20001     ");
    EXPECT_EQ(first.rect, (Rect{100, 200, 140, 230}));
    EXPECT_EQ(first.first_media, 3);
    EXPECT_EQ(first.poi, 1);
    EXPECT_EQ(first.marked, 0);
    EXPECT_EQ(first.flash_ticks, 0);
    const HotspotInfo& second = h.hotspots()[1];
    EXPECT_EQ(second.rect, (Rect{300, 50, 400, 130}));
    EXPECT_EQ(second.first_media, 5);
    EXPECT_EQ(second.poi, 0);
    EXPECT_TRUE(h.hasFeatures());
}

// Labels: the first record's site; "Overview Map" gives its caption, "Video" its caption unless
// that is empty. Hotspots with POI 0 or without media get no item; ids are 20000 + the index in
// the array; the Features popup keeps its Points of Interest popup and the visitor center item.
TEST_F(LoadingTest, PointsOfInterestLabelsAndIds) {
    const std::vector<HotspotRow> hotspots = {
        {"TEST0100", "A0", 0, 0, 10, 10, 1},     {"TEST0101", "A1", 20, 0, 10, 10, 1},
        {"TEST0102", "A2", 40, 0, 10, 10, 1},    {"TEST0103", "A3", 60, 0, 10, 10, 0},
        {"TEST0104", "A4", 80, 0, 10, 10, 1},    {"TEST0105", "A5", 100, 0, 10, 10, 1},
        {"TEST0106", "NONE", 120, 0, 10, 10, 1}, {"TEST0107", "A7", 140, 0, 10, 10, 1},
    };
    const std::vector<MediaRow> media = {
        {"A0", "00", "Greyhollow Peak"},    {"A1", "00", "Overview Map", "Trail map"},
        {"A2", "00", "Video", "The falls"}, {"A3", "00", "Not listed"},
        {"A4", "00", "Video", "   "},       {"A5", "00", "Kestrel & Valley"},
        {"A7", "00", "Aldenbrook"},
    };
    writeData(hotspots, media, 7);
    auto dialog = open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(boxes->calls().empty()) << boxes->calls()[0].text;
    const PanoramaHotspots& h = dialog->hotspots();
    platform::Menu* features = h.featuresPopup();
    ASSERT_NE(features, nullptr);
    EXPECT_EQ(itemTexts(features),
              (std::vector<std::string>{"&Points of Interest", "&Multimedia Visitor Center"}));
    EXPECT_EQ(features->GetMenuItemID(1), 32773u);
    platform::Menu* points = h.pointsOfInterestPopup();
    ASSERT_EQ(points, features->GetSubMenu(0));
    EXPECT_EQ(itemTexts(points),
              (std::vector<std::string>{"Greyhollow Peak", "Trail map", "The falls", "Video",
                                        "Kestrel & Valley", "Aldenbrook"}));
    // The hotspot without media was skipped, so Aldenbrook is index 6.
    const std::vector<UINT> ids = {20000, 20001, 20002, 20004, 20005, 20006};
    for (int i = 0; i < points->GetMenuItemCount(); ++i) {
        EXPECT_EQ(points->GetMenuItemID(i), ids[std::size_t(i)]) << i;
        EXPECT_EQ(points->GetMenuState(UINT(i), MF_BYPOSITION) & MF_MENUBARBREAK, 0u) << i;
    }
    EXPECT_EQ(h.hotspots()[6].mslink, "A7        ");
}

// A new column starts before the item that would reach below the column limit.
TEST_F(LoadingTest, ColumnBreaks) {
    EXPECT_EQ(PanoramaHotspots::menuItemHeight(TEXTMETRIC{16, 13, 3, 2, 0}), 20);
    EXPECT_EQ(PanoramaHotspots::menuItemHeight(TEXTMETRIC{15, 12, 3, 2, 0}), 19);
    EXPECT_EQ(PanoramaHotspots::menuItemHeight(TEXTMETRIC{13, 11, 2, 0, 2}), 19);

    std::vector<HotspotRow> h;
    std::vector<MediaRow> m;
    makeHotspots(h, m, 70);
    h[3].poi = 0; // no item, and no height
    writeData(h, m);
    auto dialog = open();
    ASSERT_NE(dialog, nullptr);
    PanoramaHotspots& hotspots = dialog->hotspots();
    platform::Menu* points = hotspots.pointsOfInterestPopup();
    const auto breaks = [&] {
        std::vector<int> at;
        for (int i = 0; i < points->GetMenuItemCount(); ++i)
            if (points->GetMenuState(UINT(i), MF_BYPOSITION) & MF_MENUBARBREAK) at.push_back(i);
        return at;
    };

    // As loaded: the menu font's item height against the client area's height.
    platform::ClientDC dc(dialog.get());
    dc.SelectObject(&hotspots.menuFont());
    TEXTMETRIC metrics{};
    ASSERT_TRUE(dc.GetTextMetrics(&metrics));
    const int itemHeight = PanoramaHotspots::menuItemHeight(metrics);
    const int perColumn = dialog->clientRect().height() / itemHeight;
    ASSERT_LT(perColumn, 69);
    EXPECT_EQ(breaks(), (std::vector<int>{perColumn}));

    struct Case {
        int itemHeight, limit;
        std::vector<int> breaks; // item positions that start a column
    } cases[] = {
        {20, 600, {30, 60}},
        {20, 599, {29, 58}},
        {20, 620, {31, 62}},
        {20, 19, {0, 1, 2}}, // every item is a column of its own (first three shown)
    };
    for (const Case& c : cases) {
        points->clear();
        hotspots.AppendPointsOfInterest(c.itemHeight, c.limit);
        ASSERT_EQ(points->GetMenuItemCount(), 69);
        std::vector<int> got = breaks();
        got.resize(std::min(got.size(), c.breaks.size()));
        EXPECT_EQ(got, c.breaks) << c.limit;
    }
}

// MakeMediaKey pads link and sequence to their fields' widths and cuts nothing.
TEST(MakeMediaKey, PadsToTheFieldWidths) {
    EXPECT_EQ(MakeMediaKey("10001", "00", 10, 2), "10001     00");
    EXPECT_EQ(MakeMediaKey("10001     ", "0", 10, 2), "10001     0 ");
    EXPECT_EQ(MakeMediaKey("LONGERTHANTEN", "123", 10, 2), "LONGERTHANTEN123");
    EXPECT_EQ(MakeMediaKey("", "", 3, 2), "     ");
}
