// Fixtures of the panorama window's tests: a viewpoint's SVNPARK table and panorama written into a
// temporary folder, the settings file and the palette file kept in folders of the test's own, the
// program's resources registered, and the window opened without a modal run.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/core/message_box.h"
#include "platform/qt/application.h"
#include "platform/qt/test_support.h"
#include "resources/panorama_resources.h"
#include "resources/resource_ids.h"
#include "tests/support/temp_dir.h"
#include "tools/bmp_writer.h"
#include "tools/dbase_writer.h"
#include "tools/viewpoint_tables.h"
#include "viewer/pan_dlg.h"

namespace viewer_test {

struct ParkRecord {
    std::string code = "TEST01";
    std::string name = "Test Overlook";
    std::string numHotspot = "0";
    std::string copyright = "(c) 1999 Test Works";
    std::string link = "10000";
};

// The fields of SVNPARK as the demo data has them.
inline std::vector<dbase::FieldDef> parkFields() {
    return viewpoint_tables::park().fields;
}

// SVHOTSPO and SVMMINFO for the first viewpoint: as many hotspots as its NUMHOTSPOT expects, each
// with one media record, so that the window loads them without a message. They lie outside the
// image, where no mouse reaches them: the viewer's own tests never meet a hotspot.
inline void writeHotspotTables(const std::filesystem::path& dir, const ParkRecord& park) {
    dbase::TableDef hotspots = viewpoint_tables::hotspots(6);
    dbase::TableDef media = viewpoint_tables::media();
    const int count = std::max(0, std::atoi(park.numHotspot.c_str()));
    for (int i = 0; i < count && i < 100; ++i) {
        const std::string n = std::to_string(10 + i);
        const std::string link = "H" + n;
        hotspots.records.push_back({park.code + n, link, "-9000", "-9000", "10", "10", "0", "0"});
        media.records.push_back({link, "00", "H.JPG", "2", "Hotspot " + n, "", ""});
    }
    dbase::writeTable(dir, "SVHOTSPO", hotspots);
    dbase::writeTable(dir, "SVMMINFO", media);
}

inline void writeParkTable(const std::filesystem::path& dir, const std::vector<ParkRecord>& records,
                           std::vector<dbase::FieldDef> fields = parkFields()) {
    dbase::TableDef def = viewpoint_tables::park();
    def.fields = std::move(fields);
    for (const ParkRecord& r : records) {
        std::vector<std::string> row = {r.code, r.name, r.numHotspot, r.copyright, r.link};
        row.resize(def.fields.size());
        def.records.push_back(row);
    }
    dbase::writeTable(dir, "SVNPARK", def);
    if (!records.empty()) writeHotspotTables(dir, records.front());
}

// Colour table entry i is (i, 255 - i, (i * 7) & 255); pixel (x, y) has index (x + 3 y) & 255,
// so every image point has a colour its neighbours do not share.
inline COLORREF panoramaColour(int x, int y) {
    const int i = (x + 3 * y) & 255;
    return RGB(BYTE(i), BYTE(255 - i), BYTE((i * 7) & 255));
}

inline tools::IndexedImage panoramaImage(int width, int height) {
    tools::IndexedImage image;
    image.width = width;
    image.height = height;
    for (int i = 0; i < 256; ++i)
        image.colours[std::size_t(i)] = {std::uint8_t(i), std::uint8_t(255 - i),
                                         std::uint8_t((i * 7) & 255)};
    image.pixels.resize(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.at(x, y) = std::uint8_t((x + 3 * y) & 255);
    return image;
}

// A gzip-compressed 8-bit panorama.
inline void writePanorama(const std::string& path, int width, int height) {
    ASSERT_TRUE(tools::writeFile(path, tools::makeBmp(panoramaImage(width, height)), true));
}

// The window's client colour of a grab at a client point, as a COLORREF.
inline COLORREF grabbedColour(const QImage& image, int x, int y) {
    const unsigned p = platform::test::pixelAt(image, x, y);
    return RGB(BYTE(p >> 16), BYTE(p >> 8), BYTE(p));
}

// The caption of the test viewpoint's messages.
inline const std::string kTitle = "Skyvista: Test Overlook";

struct ExpectedBox {
    std::string textStart; // the box's text starts with this
    std::string caption;
};

// The boxes in order, each text starting as expected. Given the window, the boxes with its
// caption must also be warnings owned by it.
inline void expectBoxes(const std::vector<platform::MessageBoxCall>& calls,
                        const std::vector<ExpectedBox>& expected, const std::string& label,
                        std::optional<HWND> owner = std::nullopt) {
    std::string all;
    for (const platform::MessageBoxCall& call : calls)
        all += "[" + call.caption + "] " + call.text + "\n";
    ASSERT_EQ(calls.size(), expected.size()) << label << "\n" << all;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(calls[i].text.substr(0, expected[i].textStart.size()), expected[i].textStart)
            << label << ", box " << i << ": " << calls[i].text;
        EXPECT_EQ(calls[i].caption, expected[i].caption) << label << ", box " << i;
        if (owner && calls[i].caption == kTitle) {
            EXPECT_EQ(calls[i].type, UINT(MB_ICONEXCLAMATION)) << label << ", box " << i;
            EXPECT_EQ(calls[i].owner, *owner) << label << ", box " << i;
        }
    }
}

class ViewerTest : public platform::test::GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        registerResources();
        CPanDlg::setRealizePause(0);
        m_oldCwd = std::filesystem::current_path();
        std::filesystem::create_directories(data.path() / "config");
        std::filesystem::create_directories(data.path() / "work");
        setenv("XDG_CONFIG_HOME", (data.path() / "config").c_str(), 1);
        std::filesystem::current_path(data.path() / "work");
        app = std::make_unique<platform::Application>("panorama");
    }
    void TearDown() override {
        app.reset();
        std::filesystem::current_path(m_oldCwd);
        unsetenv("XDG_CONFIG_HOME");
        GuiTest::TearDown();
    }

    // Every resource of the program; a test of missing resources registers fewer.
    virtual void registerResources() { registerPanoramaResources(); }

    std::string settingsPath() const { return data.file("config/skyvist.ini"); }
    void writeSettings(const std::string& text) const { data.write("config/skyvist.ini", text); }

    // A viewpoint TEST01 with a panorama of the size in the data folder (tables and image both).
    void writeViewpoint(int width, int height, ParkRecord record = {}) {
        writeParkTable(data.path(), {record});
        writePanorama(data.file(record.code + ".GZ"), width, height);
    }

    // Opens the window (created and initialised, not run modally). Null when creation failed.
    std::unique_ptr<CPanDlg> open(const std::string& code = "TEST01", bool show = false) {
        auto dialog = std::make_unique<CPanDlg>(code, data.str(), data.str());
        if (!dialog->Create(IDD_PANORAMA_DIALOG, nullptr)) return nullptr;
        if (show) dialog->ShowWindow(SW_SHOW);
        return dialog;
    }

    testing_support::TempDir data;
    std::unique_ptr<platform::Application> app;

private:
    std::filesystem::path m_oldCwd;
};

} // namespace viewer_test
