// Fixtures of the hotspot tests: a viewpoint TEST01 (link "10000", a 2000 x 1000 panorama) with
// hotspot and media tables written by the dBASE writer into the test's folder, and helpers that
// reach the panorama window's hotspots in client coordinates.
#pragma once

#include <string>
#include <vector>

#include <QTest>

#include "tests/viewer/viewer_fixtures.h"

namespace hotspot_test {

using namespace viewer_test;

struct HotspotRow {
    std::string hsid;
    std::string link;
    int x = 0, y = 0, width = 10, height = 10;
    int poi = 1;
};

struct MediaRow {
    std::string link;
    std::string sequence;
    std::string site = "";
    std::string caption = "";
    std::string credits = "";
    int type = 2;
    std::string name = "PHOTO.JPG";
};

inline std::vector<dbase::FieldDef> hotspotFields() {
    return viewpoint_tables::hotspots(6).fields;
}

inline void writeHotspots(const std::filesystem::path& dir, const std::vector<HotspotRow>& rows,
                          std::vector<dbase::FieldDef> fields = hotspotFields()) {
    dbase::TableDef def = viewpoint_tables::hotspots();
    def.fields = std::move(fields);
    for (const HotspotRow& r : rows) {
        std::vector<std::string> row = {r.hsid,
                                        r.link,
                                        std::to_string(r.x),
                                        std::to_string(r.y),
                                        std::to_string(r.width),
                                        std::to_string(r.height),
                                        std::to_string(r.poi),
                                        "0"};
        row.resize(def.fields.size());
        def.records.push_back(row);
    }
    dbase::writeTable(dir, "SVHOTSPO", def);
}

inline void writeMedia(const std::filesystem::path& dir, const std::vector<MediaRow>& rows) {
    dbase::TableDef def = viewpoint_tables::media();
    for (const MediaRow& r : rows)
        def.records.push_back(
            {r.link, r.sequence, r.name, std::to_string(r.type), r.site, r.caption, r.credits});
    dbase::writeTable(dir, "SVMMINFO", def);
}

// n hotspots TEST01<nn> with links H<nn>, each with one "00" media record whose site is
// "Site <nn>", laid out in a row of 50 x 40 rectangles.
inline void makeHotspots(std::vector<HotspotRow>& hotspots, std::vector<MediaRow>& media, int n,
                         int poi = 1) {
    for (int i = 0; i < n; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%03d", i);
        hotspots.push_back({std::string("TEST01") + number, std::string("H") + number,
                            10 + (i % 30) * 60, 100 + (i / 30) * 50, 50, 40, poi});
        media.push_back({std::string("H") + number, "00", std::string("Site ") + number});
    }
}

class HotspotTest : public ViewerTest {
protected:
    // The viewpoint TEST01 with the given hotspots and media records.
    void writeData(const std::vector<HotspotRow>& hotspots, const std::vector<MediaRow>& media,
                   int expected = -1, int width = 2000, int height = 1000) {
        ParkRecord park;
        park.numHotspot = std::to_string(expected < 0 ? int(hotspots.size()) : expected);
        writeViewpoint(width, height, park);
        writeHotspots(data.path(), hotspots);
        writeMedia(data.path(), media);
    }

    // The centre of a hotspot's frame, in client coordinates.
    static Point centreOf(CPanDlg& dialog, int index) {
        const Rect r = dialog.hotspots().frameRect(index);
        return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    static QPoint qpoint(Point p) { return QPoint(p.x, p.y); }
    // A mouse move of the real kind; the toolkit drops a move to where the mouse already is.
    static void moveMouse(CPanDlg& dialog, Point p) {
        QWidget* client = platform::test::clientWidget(dialog);
        QTest::mouseMove(client, QPoint(p.x + 1, p.y + 1));
        QTest::mouseMove(client, qpoint(p));
    }
    static void click(CPanDlg& dialog, Point p, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(platform::test::clientWidget(dialog), Qt::LeftButton, modifiers,
                          qpoint(p));
    }
};

} // namespace hotspot_test
