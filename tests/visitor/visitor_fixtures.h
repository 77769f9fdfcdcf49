// Fixtures of the visitor center's tests: the viewpoint TEST01's narrative table written by the
// dBASE writer into the test's folder, a table context, the shared palette and an array of media
// records, and the visitor center run modally with a function that looks at it and ends it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/core/system_metrics.h"
#include "platform/qt/window_host.h"
#include "tests/hotspots/hotspot_fixtures.h"
#include "tools/avi_writer.h"
#include "tools/jpeg_writer.h"
#include "visitor/mmvc_dlg.h"
#include "visitor/narrative_text.h"

namespace visitor_test {

using namespace hotspot_test;

struct NarrativeRow {
    std::string link;
    std::string text;
};

inline void writeNarratives(const std::filesystem::path& dir, const std::vector<NarrativeRow>& rows,
                            dbase::TableDef def = viewpoint_tables::narratives()) {
    for (const NarrativeRow& r : rows)
        def.records.push_back({r.link, r.text});
    dbase::writeTable(dir, "SVNARRAT", def);
}

inline MediaInfo record(const std::string& link, int type, const std::string& site,
                        const std::string& caption = "A caption",
                        const std::string& credits = "\xA9 1999 Test Works") {
    MediaInfo m;
    m.mslink = link;
    m.media_type = type;
    m.site = site;
    m.caption = caption;
    m.credits = credits;
    m.media_name = site + ".JPG";
    return m;
}

// A JPEG photograph of the size in the folder: a colour ramp, so that every part of it differs.
inline void writePhoto(const std::filesystem::path& dir, const std::string& name, int width,
                       int height) {
    tools::RgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(std::size_t(width) * std::size_t(height) * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = image.at(x, y);
            p[0] = std::uint8_t(x * 255 / std::max(1, width - 1));
            p[1] = std::uint8_t(y * 255 / std::max(1, height - 1));
            p[2] = 128;
        }
    ASSERT_TRUE(tools::writeJpeg((dir / name).string(), image));
}

// A Motion-JPEG video of frames frames at 10 per second, each frame one colour that changes from
// frame to frame (none black).
inline void writeVideo(const std::filesystem::path& dir, const std::string& name, int frames = 10,
                       int width = 160, int height = 120) {
    tools::AviVideo video;
    video.width = width;
    video.height = height;
    video.framesPerSecond = 10;
    for (int f = 0; f < frames; ++f) {
        tools::RgbImage image;
        image.width = width;
        image.height = height;
        image.pixels.resize(std::size_t(width) * std::size_t(height) * 3);
        for (std::size_t i = 0; i < image.pixels.size(); i += 3) {
            image.pixels[i] = std::uint8_t(200 - 10 * f);
            image.pixels[i + 1] = std::uint8_t(60 + 15 * f);
            image.pixels[i + 2] = 120;
        }
        video.jpegFrames.push_back(tools::encodeJpeg(image));
    }
    ASSERT_TRUE(tools::writeAvi((dir / name).string(), video));
}

class VisitorCenterTest : public HotspotTest {
protected:
    void SetUp() override {
        HotspotTest::SetUp();
        CMMVCDlg::setRealizePause(0);
        ASSERT_EQ(code4init(&code), 0);
        media.resize(125);
        // Photographs in their own colours, as on a true-colour display; the shared palette is
        // the test panorama's colour table.
        Cmemdib::SetDisplayDepth(24);
        const tools::IndexedImage colours = panoramaImage(1, 1);
        std::vector<BYTE> entries(4 + 4 * 256);
        auto* log = reinterpret_cast<LOGPALETTE*>(entries.data());
        log->palVersion = 0x0300;
        log->palNumEntries = 256;
        for (std::size_t i = 0; i < 256; ++i)
            log->palPalEntry[i] = PALETTEENTRY{colours.colours[i][0], colours.colours[i][1],
                                               colours.colours[i][2], 0};
        ASSERT_TRUE(palette.CreatePalette(log));
    }
    void TearDown() override {
        code4initUndo(&code);
        HotspotTest::TearDown();
    }

    // The records in use, from the front of the array.
    void setMedia(const std::vector<MediaInfo>& records) {
        for (std::size_t i = 0; i < records.size(); ++i)
            media[i] = records[i];
        count = int(records.size());
    }

    VisitorCenterSetup setupFor(int start) {
        VisitorCenterSetup s;
        s.placement = Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        s.panCode = "TEST01";
        s.mapPath = data.str();
        s.databasePath = data.str();
        s.context = &code;
        s.viewpointName = "Test Overlook";
        s.palette = &palette;
        s.media = media.data();
        s.mediaCount = count;
        s.startIndex = start;
        s.background = CPanDlg::kBackgroundColour;
        return s;
    }

    // Runs the visitor center modally; look() sees it running and, unless it ended it itself,
    // it is closed with its Close button afterwards. Returns DoModal's result.
    INT_PTR run(int start, const std::function<void(CMMVCDlg&)>& look = {},
                std::function<void(VisitorCenterSetup&)> adjust = {}) {
        VisitorCenterSetup s = setupFor(start);
        if (adjust) adjust(s);
        CMMVCDlg dialog(s);
        bool looked = false;
        platform::test::whenModal([&](platform::Window&) {
            looked = true;
            if (look) look(dialog);
            if (dialog.exists() && !dialog.data().modalEnded)
                dialog.SendMessage(WM_COMMAND, MAKEWPARAM(CDlgBar::kCloseId, BN_CLICKED));
        });
        const INT_PTR result = dialog.DoModal();
        platform::test::whenModal(nullptr);
        ranModally = looked;
        return result;
    }

    Code4 code;
    platform::Palette palette;
    std::vector<MediaInfo> media;
    int count = 0;
    bool ranModally = false;
};

} // namespace visitor_test
