// The demo tables as the viewer reads them: the viewpoint record, the hotspots with their first
// media records, the media grouped by link, and the narratives.
#include "tools/demo_layout.h"

#include "platform/core/message_box.h"
#include "riff_reader.h"
#include "platform/core/rtf_reader.h"
#include "tables/table_layer.h"
#include "tests/support/temp_dir.h"
#include "tools/avi_writer.h"

#include <cstdlib>
#include <map>
#include <set>

#include <gtest/gtest.h>

using testing_support::TempDir;

namespace {

int runMakeDemo(const std::string& arguments) {
    const int status = std::system(
        (std::string(PANORAMA_MAKE_DEMO) + " " + arguments + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string text(Field4* field) {
    return std::string(f4ptr(field), f4len(field));
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

std::string padded(std::string s, unsigned width) {
    if (s.size() < width) s.resize(width, ' ');
    return s;
}

TEST(MakeDemo, WritesTheSameBytesOnEveryRun) {
    TempDir first, second;
    ASSERT_EQ(runMakeDemo(first.str()), 0);
    first.write("SVNARRAT.DBT", "stale");
    ASSERT_EQ(runMakeDemo(first.str()), 0) << "a second run overwrites the first";
    ASSERT_EQ(runMakeDemo(second.str() + "/sub"), 0) << "a missing folder is created";
    std::set<std::string> tableFiles;
    for (const auto& entry : std::filesystem::directory_iterator(first.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(testing_support::readFile(entry.path().string()),
                  testing_support::readFile(second.file("sub/" + name)))
            << name;
        const std::string extension = entry.path().extension().string();
        if (extension == ".DBF" || extension == ".MDX" || extension == ".DBT")
            tableFiles.insert(name);
    }
    EXPECT_EQ(tableFiles, (std::set<std::string>{"SVHOTSPO.DBF", "SVHOTSPO.MDX", "SVMMINFO.DBF",
                                                 "SVMMINFO.MDX", "SVNARRAT.DBF", "SVNARRAT.DBT",
                                                 "SVNARRAT.MDX", "SVNPARK.DBF", "SVNPARK.MDX"}));
    EXPECT_EQ(runMakeDemo(""), 2) << "no folder given";
}

// The videos are Motion-JPEG AVIs of the demo's frame size, one with a PCM track; one photograph
// is larger than the visitor center's picture area, the others are 480 x 360.
TEST(MakeDemo, WritesTheVideosAndPhotographs) {
    TempDir dir;
    ASSERT_EQ(runMakeDemo(dir.str()), 0);
    int videos = 0;
    for (const demo::Media& m : demo::kMedia) {
        SCOPED_TRACE(m.mediaName);
        const std::string bytes = testing_support::readFile(dir.file(m.mediaName));
        int width = 0, height = 0;
        if (m.mediaType != 5) {
            ASSERT_TRUE(tools::jpegFrameSize(bytes, width, height));
            const bool large = std::string(m.mediaName) == demo::kLargePhoto;
            EXPECT_EQ(std::pair(width, height),
                      large ? std::pair(demo::kLargePhotoWidth, demo::kLargePhotoHeight)
                            : std::pair(480, 360));
            EXPECT_TRUE(!large || (width > 500 && height > 320)) << "the picture area scrolls";
            continue;
        }
        ++videos;
        EXPECT_LT(bytes.size(), 600u * 1024);
        std::string error;
        const riff_test::Chunk riff = riff_test::readRiff(bytes, error);
        ASSERT_EQ(error, "");
        ASSERT_EQ(riff.listType, "AVI ");
        const riff_test::Chunk* hdrl = riff.find("hdrl");
        const riff_test::Chunk* movi = riff.find("movi");
        ASSERT_TRUE(hdrl && movi && hdrl->find("avih") && riff.find("idx1"));
        const riff_test::Chunk& avih = *hdrl->find("avih");
        EXPECT_EQ(std::vector<std::uint32_t>({avih.u32(16), avih.u32(32), avih.u32(36)}),
                  std::vector<std::uint32_t>(
                      {demo::kVideoFrames, demo::kVideoWidth, demo::kVideoHeight}));
        const auto frames = movi->all("00dc");
        ASSERT_EQ(frames.size(), std::size_t(demo::kVideoFrames));
        for (const riff_test::Chunk* frame : frames) {
            ASSERT_TRUE(tools::jpegFrameSize(frame->data, width, height));
            EXPECT_EQ(std::pair(width, height), std::pair(demo::kVideoWidth, demo::kVideoHeight));
        }
        EXPECT_NE(frames[0]->data, frames[1]->data) << "the scene moves";
        // The sound: 16-bit mono for the whole length of the video.
        const auto streams = hdrl->all("strl");
        const bool sound = std::string(m.mediaName) == demo::kVideoWithSound;
        ASSERT_EQ(streams.size(), sound ? 2u : 1u);
        std::size_t audioBytes = 0;
        for (const riff_test::Chunk* chunk : movi->all("01wb"))
            audioBytes += chunk->size;
        EXPECT_EQ(audioBytes, sound ? 2u * demo::kVideoSampleRate * demo::kVideoFrames /
                                          demo::kVideoFramesPerSecond
                                    : 0u);
        if (sound) {
            ASSERT_TRUE(streams[1]->find("strh") && streams[1]->find("strf"));
            EXPECT_EQ(streams[1]->find("strh")->fourcc(0), "auds");
            const riff_test::Chunk& format = *streams[1]->find("strf");
            EXPECT_EQ(std::vector<std::uint32_t>(
                          {format.u16(0), format.u16(2), format.u32(4), format.u16(14)}),
                      std::vector<std::uint32_t>({1, 1, demo::kVideoSampleRate, 16}));
        }
    }
    EXPECT_EQ(videos, 4);
}

struct LoadedHotspot {
    std::string hsid, mslink;
    int x, y, width, height, poi;
    std::vector<std::string> media; // MEDIANAME of each media record, in tag order
};

class DemoTables : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(runMakeDemo(m_dir.str()), 0);
        ASSERT_EQ(code4init(&m_code), 0);
    }
    void TearDown() override {
        EXPECT_EQ(code4initUndo(&m_code), 0);
        EXPECT_EQ(m_boxes.texts(), std::vector<std::string>()) << "the layer reported nothing";
    }
    OpenTable open(const char* table, std::initializer_list<const char*> fields,
                   std::initializer_list<const char*> tags) {
        OpenTable out;
        EXPECT_EQ(openTableSequence(m_code, m_dir.str() + "\\" + table, fields, tags, out), 0)
            << table;
        return out;
    }

    // The media records of one link, as the viewer collects them: seek the link's "00" record
    // with the full key, then seek-next on the link while the MSLINK field text stays the same.
    std::vector<std::string> collectMedia(OpenTable& media, const std::string& seekText,
                                          const std::string& compareText) {
        std::vector<std::string> names;
        const std::string key =
            padded(seekText, f4len(media.fields[0])) + padded("00", f4len(media.fields[1]));
        if (d4seek(media.data, key.c_str()) != 0) return names;
        while (text(media.fields[0]) == compareText) {
            names.push_back(trimmed(text(media.fields[2])));
            allMedia.push_back({trimmed(text(media.fields[2])),
                                std::atoi(text(media.fields[3]).c_str()),
                                trimmed(text(media.fields[6]))});
            if (d4seekNext(media.data, seekText.c_str()) != 0) break;
        }
        return names;
    }

    struct MediaRecord {
        std::string name;
        int type;
        std::string credits;
    };
    std::vector<MediaRecord> allMedia;

    TempDir m_dir;
    platform::RecordedMessageBoxes m_boxes;
    Code4 m_code;
};

TEST_F(DemoTables, LoadAsTheViewerReadsThem) {
    OpenTable park = open("SVNPARK", {"PARKNO", "PARKNAME", "NUMHOTSPOT", "COPYRIGHT", "MSLINK"},
                          {"NUMHOTSPOT", "PARKNO"});
    d4tagSelect(park.data, park.tags[1]);
    ASSERT_EQ(d4seek(park.data, padded(demo::kPanCode, f4len(park.fields[0])).c_str()), 0);
    EXPECT_EQ(trimmed(text(park.fields[1])), demo::kViewpointName);
    EXPECT_EQ(trimmed(text(park.fields[3])).substr(0, 4), "(c) ");
    const long expectedHotspots = f4long(park.fields[2]);
    const std::string parkLink = text(park.fields[4]);
    EXPECT_EQ(d4close(park.data), 0);

    OpenTable hotspots =
        open("SVHOTSPO", {"HSID", "MSLINK", "X", "Y", "WIDTH", "HEIGHT", "POI", "CAMP"}, {"HSID"});
    OpenTable media =
        open("SVMMINFO",
             {"MSLINK", "MSLINKPLUS", "MEDIANAME", "MEDIATYPE", "SITE", "CAPTION", "CREDITS"},
             {"MSLINKPLUS"});
    ASSERT_EQ(f4len(hotspots.fields[1]), parkLink.size()) << "links have one width in all tables";
    ASSERT_EQ(f4len(media.fields[0]), parkLink.size());
    d4tagSelect(hotspots.data, hotspots.tags[0]);
    d4tagSelect(media.data, media.tags[0]);

    const std::vector<std::string> own = collectMedia(media, trimmed(parkLink), parkLink);
    EXPECT_EQ(own, (std::vector<std::string>{"DEMO01LC.JPG", "DEMO01M1.JPG", "DEMO01P1.JPG",
                                             "DEMO01V1.AVI"}));

    std::vector<LoadedHotspot> loaded;
    int skipped = 0;
    for (int r = d4seek(hotspots.data, demo::kPanCode); r == 0;
         r = d4seekNext(hotspots.data, demo::kPanCode)) {
        LoadedHotspot h{trimmed(text(hotspots.fields[0])),
                        text(hotspots.fields[1]),
                        static_cast<int>(f4long(hotspots.fields[2])),
                        static_cast<int>(f4long(hotspots.fields[3])),
                        static_cast<int>(f4long(hotspots.fields[4])),
                        static_cast<int>(f4long(hotspots.fields[5])),
                        static_cast<int>(f4long(hotspots.fields[6])),
                        {}};
        h.media = collectMedia(media, h.mslink, h.mslink);
        if (h.media.empty()) {
            ++skipped;
            EXPECT_EQ(h.hsid, "DEMO0107") << "only the fire lookout has no media";
            continue;
        }
        loaded.push_back(h);
    }
    EXPECT_EQ(static_cast<long>(loaded.size()), expectedHotspots) << "no count warning at start";
    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(d4close(hotspots.data), 0);
    EXPECT_EQ(d4close(media.data), 0);

    // The tables say what the shared layout says, in HSID order.
    std::size_t next = 0;
    int notListed = 0;
    for (const demo::Hotspot& h : demo::kHotspots) {
        if (std::string(h.hsid) == "DEMO0107") continue;
        ASSERT_LT(next, loaded.size());
        const LoadedHotspot& got = loaded[next++];
        EXPECT_EQ(got.hsid, h.hsid);
        EXPECT_EQ(std::vector<int>({got.x, got.y, got.width, got.height, got.poi}),
                  std::vector<int>({h.x, h.y, h.width, h.height, h.poi ? 1 : 0}));
        EXPECT_GE(h.x, 0);
        EXPECT_LE(h.x + h.width, demo::kPanoramaWidth);
        EXPECT_GE(h.y, 0);
        EXPECT_LE(h.y + h.height, demo::kPanoramaHeight);
        notListed += !h.poi;
    }
    EXPECT_GE(notListed, 2) << "some hotspots are not points of interest";

    EXPECT_EQ(allMedia.size(), std::size(demo::kMedia))
        << "every media record is reached, at most 125";
    std::set<int> types;
    int copyrightSigns = 0, yearSigns = 0;
    for (const MediaRecord& m : allMedia) {
        types.insert(m.type);
        copyrightSigns += m.credits.starts_with("(c)") || m.credits.starts_with("(C)");
        yearSigns += m.credits.starts_with("c 19");
    }
    EXPECT_EQ(types, (std::set<int>{0, 1, 2, 5}));
    EXPECT_GT(copyrightSigns, 0);
    EXPECT_GT(yearSigns, 0);
}

TEST_F(DemoTables, NarrativesAreRichTextWithParagraphs) {
    OpenTable narratives = open("SVNARRAT", {"MSLINK", "NARRATIVET"}, {"MSLINK"});
    d4tagSelect(narratives.data, narratives.tags[0]);
    std::map<std::string, std::string> byLink;
    std::vector<std::string> links = {demo::kViewpointLink};
    for (const demo::Hotspot& h : demo::kHotspots)
        links.push_back(h.mslink);
    for (const std::string& link : links) {
        if (d4seek(narratives.data, padded(link, f4len(narratives.fields[0])).c_str()) == 0)
            byLink[link] = f4memoStr(narratives.fields[1]);
    }
    EXPECT_EQ(byLink.size(), links.size() - 1) << "every link but the fire lookout's";
    EXPECT_EQ(byLink.count("10007"), 0u);
    EXPECT_EQ(byLink["10009"], "") << "Ember Pass has an empty narrative";
    // Read as the viewer shows them, wrapped in its header and trailer: every one well formed,
    // with a bold title and more than one paragraph.
    const std::string header = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n"
                               "{\\colortbl\\red0\\green0\\blue0;}\r\n"
                               "\\deflang1033\\pard\\plain\\f0\\fs20 ";
    std::map<std::string, rtf::Document> read;
    for (const auto& [link, narrative] : byLink) {
        const rtf::Document doc = rtf::parse(header + narrative + "\r\n\\par }");
        EXPECT_TRUE(doc.problems.empty()) << link;
        if (link == "10009") continue;
        EXPECT_GE(doc.paragraphs.size(), 2u) << link;
        ASSERT_FALSE(doc.paragraphs[0].runs.empty()) << link;
        EXPECT_TRUE(doc.paragraphs[0].runs[0].format.bold) << link << " starts with its title";
        read[link] = doc;
    }
    // The viewpoint's own narrative shows more: italics, an accented name, a bulleted list with a
    // hanging indent, a centred line, and enough text to need the text's scroll bar.
    const rtf::Document& own = read[demo::kViewpointLink];
    bool italic = false, hanging = false, centred = false;
    for (const rtf::Paragraph& p : own.paragraphs) {
        hanging |= p.format.firstIndent < 0 && p.format.leftIndent > 0;
        centred |= p.format.alignment == rtf::Alignment::Centre;
        for (const rtf::Run& r : p.runs)
            italic |= r.format.italic;
    }
    EXPECT_TRUE(italic && hanging && centred);
    EXPECT_NE(own.plainText().find("Caf\xC3\xA9"), std::string::npos) << "\\'e9 reads as e-acute";
    EXPECT_NE(own.plainText().find("\xE2\x80\xA2\t"), std::string::npos) << "bullets";
    EXPECT_GT(own.plainText().size(), 2000u);
    EXPECT_EQ(d4close(narratives.data), 0);
}

} // namespace
