// pantool check on copies of the demo data broken in one place each (and in many at once): the
// exact lines each defect gives, the clean demo, the two folders, and the exit statuses.
#include "tools/pantool_check.h"

#include "tests/support/temp_dir.h"
#include "tools/bmp_writer.h"
#include "tools/dbase_writer.h"
#include "tools/demo_layout.h"
#include "tools/viewpoint_tables.h"

#include <cctype>
#include <cstdlib>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

using testing_support::TempDir;

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using Breakage = std::function<void(const TempDir&)>;
using dbase::TableDef;

// make_demo's output, made once for the whole suite.
const TempDir& demoData() {
    static const std::unique_ptr<TempDir> dir = [] {
        auto made = std::make_unique<TempDir>();
        const std::string command = std::string(PANORAMA_MAKE_DEMO) + " " + made->str();
        EXPECT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0);
        return made;
    }();
    return *dir;
}

// The demo tables written anew, record n being entry n - 1 of the demo's lists (make_demo stores
// SVHOTSPO by position and SVMMINFO round by round).
TableDef hotspotTable() {
    TableDef def = viewpoint_tables::hotspots();
    for (const demo::Hotspot& h : demo::kHotspots)
        def.records.push_back({h.hsid, h.mslink, std::to_string(h.x), std::to_string(h.y),
                               std::to_string(h.width), std::to_string(h.height), "1", "0"});
    return def;
}

TableDef mediaTable() {
    TableDef def = viewpoint_tables::media();
    for (const demo::Media& m : demo::kMedia)
        def.records.push_back(
            {m.hotspot < 0 ? demo::kViewpointLink : demo::kHotspots[m.hotspot].mslink, m.sequence,
             m.mediaName, std::to_string(m.mediaType), m.site, m.caption, m.credits});
    return def;
}

// One plain narrative per link with media: the viewpoint's, then the hotspots' but the fire
// lookout's (10007).
TableDef narrativeTable() {
    TableDef def = viewpoint_tables::narratives();
    def.records.push_back({demo::kViewpointLink, "{\\b Elderfell}\\par A view."});
    for (const demo::Hotspot& h : demo::kHotspots)
        if (std::string(h.mslink) != "10007")
            def.records.push_back({h.mslink, std::string("{\\b ") + h.name + "}\\par A place."});
    return def;
}

TableDef edited(TableDef def, std::size_t record, std::size_t field, std::string value) {
    def.records.at(record).at(field) = std::move(value);
    return def;
}

TableDef without(TableDef def, std::size_t record) {
    def.records.erase(def.records.begin() + std::ptrdiff_t(record));
    return def;
}

// Hotspots DEMO01001.. all linked to Ember Pass, which has one media record.
TableDef manyHotspots(int count) {
    TableDef def = viewpoint_tables::hotspots();
    for (int i = 1; i <= count; ++i) {
        char hsid[16];
        std::snprintf(hsid, sizeof hsid, "DEMO01%03d", i);
        def.records.push_back({hsid, "10009", "10", "10", "5", "5", "0", "0"});
    }
    return def;
}

// The demo's 26 media records and more for the Coldwater River, the last hotspot.
TableDef manyMedia(int total) {
    TableDef def = mediaTable();
    for (int i = 2; int(def.records.size()) < total; ++i) {
        const std::string sequence =
            i < 100 ? (i < 10 ? "0" : "") + std::to_string(i) : "A" + std::to_string(i - 100);
        def.records.push_back({"10012", sequence, "DEMO01L1.JPG", "2", "Coldwater River", "", ""});
    }
    return def;
}

Breakage writing(const char* table, TableDef def) {
    return [=](const TempDir& d) { dbase::writeTable(d.path(), table, def); };
}

Breakage removing(std::string name) {
    return [=](const TempDir& d) { ASSERT_TRUE(fs::remove(d.file(name))) << name; };
}

Breakage replacing(std::string name, std::string bytes) {
    return [=](const TempDir& d) { d.write(name, bytes); };
}

Breakage cutting(std::string name, std::size_t size) {
    return [=](const TempDir& d) {
        d.write(name, testing_support::readFile(d.file(name)).substr(0, size));
    };
}

Breakage all(std::vector<Breakage> breakages) {
    return [=](const TempDir& d) {
        for (const Breakage& b : breakages)
            b(d);
    };
}

// The narratives with one memo entry claiming the length the table layer takes for a fatal error.
Breakage poisoning(TableDef narratives, long record) {
    return [=](const TempDir& d) {
        dbase::TableFiles files = dbase::buildTable("SVNARRAT", narratives);
        const std::size_t field = files.recordOffset(record) + files.fieldOffsets[1];
        const long block = std::atol(files.dbf.substr(field, 10).c_str());
        files.dbt.replace(std::size_t(block) * 512 + 4, 4, "\xFF\xFF\xFF\xFF");
        dbase::writeFiles(d.path(), "SVNARRAT", files);
    };
}

std::string bmpOf24Bits() {
    tools::BmpDefects defects;
    defects.biBitCount = 24;
    return tools::gzipBytes(tools::makeBmp({2, 2, {}, std::vector<std::uint8_t>(4)}, defects));
}

TableDef renamedField(TableDef def, std::size_t field, const char* name) {
    def.fields.at(field).name = name;
    return def;
}

TableDef renamedTag(TableDef def, const char* name) {
    def.tags.at(0).name = name;
    return def;
}

const std::string kMissing = "missing (table-layer error -64: File Find Error Opening File)";

struct Case {
    const char* label;
    Breakage breakage;
    Lines expected;
    std::string code = demo::kPanCode;
};

const Case kCases[] = {
    {"clean demo", nullptr, {}},
    {"table missing", removing("SVHOTSPO.DBF"), {"SVHOTSPO.DBF: " + kMissing}},
    {"field missing",
     writing("SVHOTSPO", renamedField(hotspotTable(), 4, "WIDE")),
     {"SVHOTSPO.DBF: field WIDTH missing"}},
    {"tag missing",
     writing("SVMMINFO", renamedTag(mediaTable(), "MSLINK")),
     {"SVMMINFO.MDX: tag MSLINKPLUS missing"}},
    {"corrupt index",
     cutting("SVMMINFO.MDX", 3000),
     {"SVMMINFO.MDX: table-layer error -310: Not a Correct Index File (index file verification "
      "checks failed)"}},
    {"no record for the viewpoint",
     nullptr,
     {"SVNPARK.DBF: no record for viewpoint DEMO02",
      "DEMO02.GZ: panorama missing from both PAN_DIR and DB_DIR",
      "DEMO02I.JPG: locator map missing", "DEMO02LC.JPG: viewpoint picture missing"},
     "DEMO02"},
    {"hotspot count",
     writing(
         "SVNPARK",
         [] {
             TableDef def = viewpoint_tables::park();
             def.records = {{demo::kPanCode, demo::kViewpointName, "12", "", demo::kViewpointLink}};
             return def;
         }()),
     {"SVNPARK.DBF: record 1: NUMHOTSPOT is 12 but the viewer loads 11 hotspots"}},
    {"panorama missing",
     removing("DEMO01.GZ"),
     {"DEMO01.GZ: panorama missing from both PAN_DIR and DB_DIR"}},
    {"panorama of 24 bits",
     replacing("DEMO01.GZ", bmpOf24Bits()),
     {"DEMO01.GZ: panorama is not an 8-bit BMP: a BMP of 24 bits per pixel, not 8"}},
    {"panorama no BMP",
     replacing("DEMO01.GZ", "GIF89a"),
     {"DEMO01.GZ: panorama is not an 8-bit BMP: not a BMP file"}},
    {"hotspot outside",
     writing("SVHOTSPO", edited(hotspotTable(), 3, 2, "8000")),
     {"SVHOTSPO.DBF: record 4: hotspot DEMO0104 lies outside the panorama (8000 x 1100)"}},
    // The river is 180 rows high: at row 920 it ends on the panorama's last row.
    {"hotspot at the edge", writing("SVHOTSPO", edited(hotspotTable(), 11, 3, "920")), {}},
    {"hotspot reaching beyond",
     writing("SVHOTSPO", edited(hotspotTable(), 11, 3, "921")),
     {"SVHOTSPO.DBF: record 12: hotspot DEMO0112 reaches beyond the panorama (8000 x 1100)"}},
    {"hotspot without inside",
     writing("SVHOTSPO", edited(hotspotTable(), 0, 4, "0")),
     {"SVHOTSPO.DBF: record 1: hotspot DEMO0101 has no inside (width 0, height 260): it never "
      "shows"}},
    {"100 hotspots",
     writing("SVHOTSPO", manyHotspots(100)),
     {"SVNPARK.DBF: record 1: NUMHOTSPOT is 11 but the viewer loads 100 hotspots"}},
    {"101 hotspots",
     writing("SVHOTSPO", manyHotspots(101)),
     {"SVHOTSPO.DBF: record 101: hotspot DEMO01101 is beyond the 100 the viewer loads; it is "
      "dropped",
      "SVNPARK.DBF: record 1: NUMHOTSPOT is 11 but the viewer loads 100 hotspots"}},
    {"125 media records", writing("SVMMINFO", manyMedia(125)), {}},
    {"126 media records",
     writing("SVMMINFO", manyMedia(126)),
     {"SVMMINFO.DBF: record 126: media record DEMO01L1.JPG is beyond the 125 the viewer loads; it "
      "is dropped"}},
    {"map not decoding",
     replacing("DEMO01F3.JPG", "not a jpeg"),
     {"SVMMINFO.DBF: record 25: map DEMO01F3.JPG does not decode: Not a JPEG file: starts with "
      "0x6e 0x6f; error reading JPEG image file"}},
    {"video empty",
     replacing("DEMO01A3.AVI", ""),
     {"SVMMINFO.DBF: record 24: video DEMO01A3.AVI is empty"}},
    {"video without header",
     replacing("DEMO01E1.AVI", std::string("RIFF\4\0\0\0AVI ", 12)),
     {"SVMMINFO.DBF: record 18: video DEMO01E1.AVI does not open: no AVI header with a frame "
      "size"}},
    {"video cut short",
     cutting("DEMO01H2.AVI", 4000),
     {"SVMMINFO.DBF: record 20: video DEMO01H2.AVI is cut short: 4000 of 328478 bytes"}},
    {"unknown media type",
     writing("SVMMINFO", edited(mediaTable(), 2, 3, "3")),
     {"SVMMINFO.DBF: record 3: media type 3 is no known type; the viewer plays DEMO01P1.JPG as a "
      "video"}},
    {"link without narrative",
     writing("SVNARRAT", without(narrativeTable(), 5)),
     {"SVMMINFO.DBF: record 6: link 10005 has no narrative in SVNARRAT"}},
    {"narrative repaired",
     writing("SVNARRAT", edited(narrativeTable(), 2, 1, "{\\b Lake Mirrowen\\par \\'4")),
     {"SVNARRAT.DBF: record 3: narrative of link 10002 had to be repaired: bad hex escape, "
      "missing closing brace"}},
    // Greyhollow Peak's memo ends the viewer; the Copperstone Bridge's missing one comes later.
    {"fatal memo error, and the check goes on",
     poisoning(without(narrativeTable(), 10), 2),
     {"SVNARRAT.DBT: record 2: table-layer error -910: Unexpected Information; the viewer ends "
      "here",
      "SVMMINFO.DBF: record 11: link 10011 has no narrative in SVNARRAT"}},
    {"many defects at once",
     all({writing("SVHOTSPO", edited(hotspotTable(), 9, 5, "-4")),
          writing("SVNARRAT", edited(without(narrativeTable(), 1), 0, 1, "{\\b Elderfell}}")),
          removing("DEMO01I.JPG"), removing("DEMO01M1.JPG"), replacing("DEMO01J2.JPG", ""),
          cutting("DEMO01V1.AVI", 100000)}),
     {"SVHOTSPO.DBF: record 10: hotspot DEMO0110 has no inside (width 700, height -4): it "
      "never shows",
      "DEMO01I.JPG: locator map missing",
      "SVNARRAT.DBF: record 1: narrative of link 10000 had to be repaired: text beyond the "
      "document",
      "SVMMINFO.DBF: record 13: map DEMO01M1.JPG missing",
      "SVMMINFO.DBF: record 26: video DEMO01V1.AVI is cut short: 100000 of 416036 bytes",
      "SVMMINFO.DBF: record 2: link 10001 has no narrative in SVNARRAT",
      "SVMMINFO.DBF: record 21: map DEMO01J2.JPG does not decode: Empty input file; error "
      "reading JPEG image file"}},
};

TEST(PantoolCheck, ListsEachDefectOfABrokenCopy) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        fs::copy(demoData().path(), dir.path(), fs::copy_options::recursive);
        if (c.breakage) c.breakage(dir);
        EXPECT_EQ(pantool::checkViewpoint(c.code, dir.str(), dir.str()), c.expected);
    }
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

Outcome runCheck(const std::vector<std::string>& args) {
    char *out = nullptr, *err = nullptr;
    std::size_t outSize = 0, errSize = 0;
    std::FILE* outFile = open_memstream(&out, &outSize);
    std::FILE* errFile = open_memstream(&err, &errSize);
    Outcome run;
    run.status = pantool::runCheck(args, outFile, errFile);
    std::fclose(outFile);
    std::fclose(errFile);
    run.out.assign(out, outSize);
    run.err.assign(err, errSize);
    std::free(out);
    std::free(err);
    return run;
}

// The pictures and videos in PAN_DIR (in lower case), the tables in DB_DIR, the panorama in
// either; a problem, and arguments that cannot start a check.
TEST(PantoolCheck, FoldersOutputAndExitStatus) {
    TempDir pan, db;
    fs::copy(demoData().path(), db.path(), fs::copy_options::recursive);
    for (const auto& entry : fs::directory_iterator(db.path())) {
        std::string name = entry.path().filename().string();
        for (char& c : name)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (name.ends_with(".jpg") || name.ends_with(".avi"))
            fs::rename(entry.path(), pan.file(name));
    }
    const Outcome clean = runCheck({"DEMO01", pan.str(), db.str()});
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out, "no problems\n");
    EXPECT_EQ(clean.err, "");

    fs::rename(db.file("DEMO01.GZ"), pan.file("demo01.gz"));
    EXPECT_EQ(runCheck({"DEMO01", pan.str(), db.str()}).out, "no problems\n");
    fs::remove(pan.file("demo01.gz"));
    fs::remove(pan.file("demo01i.jpg"));
    const Outcome problems = runCheck({"DEMO01", pan.str(), db.str()});
    EXPECT_EQ(problems.status, 1);
    EXPECT_EQ(problems.out, "DEMO01.GZ: panorama missing from both PAN_DIR and DB_DIR\n"
                            "DEMO01I.JPG: locator map missing\n2 problems\n");

    for (const Lines& args : std::vector<Lines>{{},
                                                {"DEMO01", pan.str()},
                                                {"DEMO01", pan.str(), db.str(), "extra"},
                                                {"DEMO01", pan.file("none"), db.str()},
                                                {"DEMO01", pan.str(), db.file("SVNPARK.DBF")}}) {
        const Outcome run = runCheck(args);
        EXPECT_EQ(run.status, 2) << args.size();
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err, "");
    }
}

} // namespace
