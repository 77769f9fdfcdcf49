// pantool check: reads a viewpoint's tables, panorama, pictures, videos and narratives the way the
// viewer does and turns every message the viewer would show, and every record it would drop, into
// one line naming the file and the record.
#include "tools/pantool_check.h"

#include "imaging/cmemdib.h"
#include "imaging/image_file.h"
#include "platform/core/avi_header.h"
#include "platform/core/dos_path.h"
#include "platform/core/file.h"
#include "platform/core/message_box.h"
#include "platform/core/rtf_reader.h"
#include "tables/error4.h"
#include "tables/table_layer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>
#include <utility>

namespace pantool {

namespace {

// The panorama window's array sizes: records beyond them are dropped.
constexpr int kMaxHotspots = 100;
constexpr int kMaxMedia = 125;
// How many entries of one tag the check reads at most.
constexpr long kMaxEntries = 1000000;
// The sequence of a link's first media record.
constexpr const char* kFirstSequence = "00";
// The visitor center wraps every narrative body in this header and trailer before its rich-text
// control reads it; they must stay as the visitor center's own.
constexpr const char* kNarrativeHeader = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n"
                                         "{\\colortbl\\red0\\green0\\blue0;}\r\n"
                                         "\\deflang1033\\pard\\plain\\f0\\fs20 ";
constexpr const char* kNarrativeTrailer = "\r\n\\par }";
constexpr const char* kLayerCaption = "TABLE LAYER ERROR";
constexpr const char* kCaption = "pantool check";

// Media types: 0 the viewpoint picture (the visitor center shows CODELC.JPG for it), 1 a map,
// 2 a photograph; the visitor center plays anything else as a video.
constexpr int kViewpointPictureType = 0;
constexpr int kMapType = 1;
constexpr int kPhotoType = 2;
constexpr int kVideoType = 5;

// A fatal table-layer error ends the viewer; here the exit handler unwinds to the step that
// caused it instead (the layer has released the context by then).
struct LayerExit {};
[[noreturn]] void leaveLayer(const char*) {
    throw LayerExit{};
}

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string trimmed(std::string text) {
    const std::size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

std::string fieldText(Field4* field) {
    return Str4large(*field).str();
}

std::string paddedKey(const std::string& text, unsigned width) {
    std::string key = text;
    if (key.size() < width) key.append(width - key.size(), ' ');
    return key;
}

bool isRegularFile(const std::string& dosPath) {
    return platform::isRegularFile(platform::resolveDosPath(dosPath));
}

bool isDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(platform::resolveDosPath(path), error);
}

bool endsWithNoCase(const std::string& text, const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    return text.size() >= n && platform::toUpperAscii(text.substr(text.size() - n)) == suffix;
}

bool namesTableFile(const std::string& text) {
    return endsWithNoCase(text, ".DBF") || endsWithNoCase(text, ".MDX") ||
           endsWithNoCase(text, ".DBT");
}

// Whether every handle was found.
bool allFound(const OpenTable& table) {
    return std::none_of(table.fields.begin(), table.fields.end(),
                        [](const Field4* f) { return f == nullptr; }) &&
           std::none_of(table.tags.begin(), table.tags.end(),
                        [](const Tag4* t) { return t == nullptr; });
}

struct MediaRecord {
    long record = 0;
    std::string link; // full field text
    std::string name;
    int type = 0;
};

class Checker {
public:
    Checker(const std::string& code, const std::string& panDir, const std::string& dbDir)
        : m_code(code), m_panDir(panDir), m_dbDir(dbDir) {}

    std::vector<std::string> run();

private:
    void add(const std::string& file, long record, const std::string& what);
    // Turns the boxes shown since the last call into problems of a file (the one a table-layer
    // box names, else this one) and record (-1: none).
    void takeBoxes(const std::string& file, long record);
    std::string readerMessages();
    void resetContext();

    // Opens DB_DIR\NAME as the viewer does and lists missing fields and tags; false when the
    // table cannot be read (a table with missing handles is closed again).
    bool openTable(const char* name, std::initializer_list<const char*> fields,
                   std::initializer_list<const char*> tags, OpenTable& table);
    void closeTable(OpenTable& table, const char* name);

    void checkPark();
    void checkPanorama();
    void checkHotspotsAndMedia();
    void checkLocatorMap();
    void collectMedia(const std::string& seekText, const std::string& compareText);
    bool withinRecordCount(Data4* table, const char* index, const char* tag, long entries);
    void checkHotspot(long record, const std::string& hsid, int x, int y, int width, int height);
    void checkVisitorCenter();
    void checkNarrative(const MediaRecord& media);
    // A picture file: missing, or not decoding. what says what it is ("locator map").
    void checkPicture(const std::string& path, const std::string& file, long record,
                      const std::string& what);
    void checkVideo(const std::string& path, const std::string& file, long record,
                    const std::string& what);
    std::string bmpDefect(const std::string& path);

    std::string m_code, m_panDir, m_dbDir;
    Code4 m_context;
    std::vector<platform::MessageBoxCall> m_boxes;
    std::vector<std::string> m_problems;

    // What the viewpoint's record says.
    bool m_parkRead = false;
    long m_parkRecord = -1;
    std::string m_link;
    int m_expectedHotspots = 0;

    int m_panoramaWidth = -1, m_panoramaHeight = -1; // -1: no panorama read
    platform::Palette m_palette;                     // the panorama's, once read
    OpenTable m_hotspotTable, m_mediaTable, m_narrativeTable;
    int m_hotspotCount = 0;
    // Where a fatal table-layer error that names no file is listed.
    std::string m_activeFile = "SVNPARK.DBF";
    long m_activeRecord = -1;
    std::vector<MediaRecord> m_media;
    std::set<std::string> m_linksLookedUp;
};

// The message sink and the layer's exit handler for the duration of one check.
class Interception {
public:
    explicit Interception(std::vector<platform::MessageBoxCall>& boxes)
        : m_previousSink(platform::setMessageBoxSink([&boxes](const platform::MessageBoxCall& c) {
              boxes.push_back(c);
              return IDOK;
          })),
          m_previousExit(error4setExitHandler(&leaveLayer)) {}
    ~Interception() {
        platform::setMessageBoxSink(std::move(m_previousSink));
        error4setExitHandler(m_previousExit);
    }
    Interception(const Interception&) = delete;
    Interception& operator=(const Interception&) = delete;

private:
    platform::MessageBoxSink m_previousSink;
    Error4ExitHandler m_previousExit;
};

void Checker::add(const std::string& file, long record, const std::string& what) {
    std::string line = file + ": ";
    if (record > 0) line += "record " + std::to_string(record) + ": ";
    line += what;
    // One problem, one line, whatever the data holds.
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    m_problems.push_back(std::move(line));
}

void Checker::takeBoxes(const std::string& file, long record) {
    std::vector<platform::MessageBoxCall> boxes;
    boxes.swap(m_boxes);
    for (const platform::MessageBoxCall& box : boxes) {
        if (box.caption != kLayerCaption) {
            std::string text = box.text;
            for (std::size_t at; (at = text.find_first_of("\r\n")) != std::string::npos;)
                text.replace(at, text.find_first_not_of("\r\n", at) - at, "; ");
            add(file, record, text);
            continue;
        }
        // "Error #: CODE\r\nError #: LOCATION\r\n" then the code's text, the location's text and
        // the descriptions, a line each.
        std::vector<std::string> lines;
        for (std::size_t start = 0; start < box.text.size();) {
            std::size_t end = box.text.find("\r\n", start);
            if (end == std::string::npos) end = box.text.size();
            lines.push_back(box.text.substr(start, end - start));
            start = end + 2;
        }
        const auto number = [&](std::size_t i) {
            return i < lines.size() && lines[i].size() > 9 ? std::atol(lines[i].c_str() + 9) : 0;
        };
        const int code = int(number(0));
        const long location = number(1);
        std::string where = file;
        std::string what = "table-layer error " + std::to_string(code) + ": " + error4text(code);
        // The locations below 90000 describe the fault; the others name the layer's routine.
        if (location / 10000 == 8)
            if (const char* text = error4locationText(location))
                what += std::string(" (") + text + ")";
        for (std::size_t i = 4; i < lines.size(); ++i) {
            if (namesTableFile(lines[i]))
                where = platform::toUpperAscii(baseName(lines[i]));
            else if (!lines[i].empty())
                what += ": " + lines[i];
        }
        if (code == platform::kOpenNotFound) what = "missing (" + what + ")";
        if (error4isFatal(code)) what += "; the viewer ends here";
        add(where, record, what);
    }
}

// The first line of every box the image readers showed since the last call ("name\nmessage").
std::string Checker::readerMessages() {
    std::string text;
    for (const platform::MessageBoxCall& box : m_boxes) {
        std::string message = box.text.substr(box.text.find('\n') + 1);
        message = message.substr(0, message.find_first_of("\r\n"));
        if (!text.empty()) text += "; ";
        text += message;
    }
    m_boxes.clear();
    return text;
}

void Checker::resetContext() {
    // After a fatal error the layer has closed every table of the context.
    m_hotspotTable = m_mediaTable = m_narrativeTable = OpenTable{};
    code4init(&m_context);
    m_context.readOnlyOpen = 1;
    // Missing fields and tags are listed by name instead of as numbered errors.
    m_context.reportMissingField = 0;
    m_context.reportMissingTag = 0;
}

bool Checker::openTable(const char* name, std::initializer_list<const char*> fields,
                        std::initializer_list<const char*> tags, OpenTable& table) {
    const std::string dbf = std::string(name) + ".DBF";
    const std::size_t before = m_problems.size();
    m_activeFile = dbf;
    const int rc = openTableSequence(m_context, m_dbDir + "\\" + name, fields, tags, table);
    takeBoxes(dbf, -1);
    // The viewer's context keeps an error and opens nothing more; the check goes on.
    m_context.lastError = 0;
    if (rc != 0 || !table.data) {
        if (m_problems.size() == before) add(dbf, -1, "cannot be opened");
        return false;
    }
    std::size_t i = 0;
    for (const char* field : fields)
        if (!table.fields[i++]) add(dbf, -1, std::string("field ") + field + " missing");
    i = 0;
    for (const char* tag : tags)
        if (!table.tags[i++])
            add(std::string(name) + ".MDX", -1, std::string("tag ") + tag + " missing");
    if (allFound(table)) return true;
    closeTable(table, name);
    return false;
}

void Checker::closeTable(OpenTable& table, const char* name) {
    if (Data4* data = std::exchange(table.data, nullptr)) d4close(data);
    takeBoxes(std::string(name) + ".DBF", -1);
    m_context.lastError = 0;
}

std::vector<std::string> Checker::run() {
    Interception interception(m_boxes);
    resetContext();
    // Each step in the order the viewer takes them: opening the panorama window, loading its
    // hotspots, the locator map, and the visitor center showing each record in turn.
    for (void (Checker::*step)() :
         {&Checker::checkPark, &Checker::checkPanorama, &Checker::checkHotspotsAndMedia,
          &Checker::checkLocatorMap, &Checker::checkVisitorCenter}) {
        m_activeRecord = -1;
        try {
            (this->*step)();
        } catch (const LayerExit&) {
            // The box was recorded before the layer asked to end the process.
            takeBoxes(m_activeFile, m_activeRecord);
            resetContext();
        }
    }
    if (m_narrativeTable.data) closeTable(m_narrativeTable, "SVNARRAT");
    code4initUndo(&m_context);
    takeBoxes(m_activeFile, -1);
    return std::move(m_problems);
}

void Checker::checkPark() {
    OpenTable table;
    if (!openTable("SVNPARK", {"PARKNO", "PARKNAME", "NUMHOTSPOT", "COPYRIGHT", "MSLINK"},
                   {"NUMHOTSPOT", "PARKNO"}, table))
        return;
    enum { kParkNo, kParkName, kNumHotspot, kCopyright, kMsLink };
    d4tagSelect(table.data, table.tags[1]);
    if (d4seek(table.data, paddedKey(m_code, f4len(table.fields[kParkNo])).c_str()) == 0) {
        m_parkRead = true;
        m_parkRecord = d4recNo(table.data);
        m_link = fieldText(table.fields[kMsLink]);
        m_expectedHotspots = int(*table.fields[kNumHotspot]);
        takeBoxes("SVNPARK.DBF", m_parkRecord);
    } else {
        takeBoxes("SVNPARK.DBF", -1);
        add("SVNPARK.DBF", -1, "no record for viewpoint " + m_code);
    }
    closeTable(table, "SVNPARK");
}

// Why a panorama the reader refused is no 8-bit BMP, from its headers; empty when they look
// right (the reader's own message says more then).
std::string Checker::bmpDefect(const std::string& path) {
    CImageFile file;
    if (!file.Open(path.c_str())) return {};
    unsigned char head[54] = {};
    const std::int64_t got = file.Read(head, sizeof head);
    file.Close();
    if (got < 0) return "not a readable gzip file";
    if (got < 2 || head[0] != 'B' || head[1] != 'M') return "not a BMP file";
    if (got < 30) return {};
    const unsigned bits = head[28] | unsigned(head[29]) << 8;
    if (bits != 8) return "a BMP of " + std::to_string(bits) + " bits per pixel, not 8";
    return {};
}

void Checker::checkPanorama() {
    const std::string name = platform::toUpperAscii(m_code) + ".GZ";
    std::string path = m_panDir + "\\" + m_code + ".GZ";
    if (!platform::usableImageFile(path)) path = m_dbDir + "\\" + m_code + ".GZ";
    if (!platform::usableImageFile(path)) {
        add(name, -1, "panorama missing from both PAN_DIR and DB_DIR");
        return;
    }
    Cmemdib panorama;
    if (!panorama.ReadImageFile(path.c_str(), "", TRUE, nullptr, nullptr, TRUE, kCaption)) {
        const std::string message = readerMessages();
        const std::string defect = bmpDefect(path);
        add(name, -1, "panorama is not an 8-bit BMP: " + (defect.empty() ? message : defect));
        return;
    }
    if (!panorama.MakePalette(&m_palette, PaletteFromBitmap, TRUE, nullptr, nullptr, TRUE,
                              kCaption)) {
        const std::string message = readerMessages();
        add(name, -1,
            "no palette can be made of the panorama's colour table" +
                (message.empty() ? std::string() : ": " + message));
    }
    m_panoramaWidth = panorama.width();
    m_panoramaHeight = panorama.height();
    m_boxes.clear();
}

void Checker::checkHotspotsAndMedia() {
    const bool opened =
        openTable("SVHOTSPO", {"HSID", "MSLINK", "X", "Y", "WIDTH", "HEIGHT", "POI", "CAMP"},
                  {"HSID"}, m_hotspotTable) &&
        openTable("SVMMINFO",
                  {"MSLINK", "MSLINKPLUS", "MEDIANAME", "MEDIATYPE", "SITE", "CAPTION", "CREDITS"},
                  {"MSLINKPLUS"}, m_mediaTable);
    if (opened) {
        d4tagSelect(m_hotspotTable.data, m_hotspotTable.tags[0]);
        d4tagSelect(m_mediaTable.data, m_mediaTable.tags[0]);
        // The viewpoint's own records come first.
        if (m_parkRead) collectMedia(trimmed(m_link), m_link);

        enum { kHsId, kLink, kX, kY, kWidth, kHeight };
        Data4* table = m_hotspotTable.data;
        const auto& f = m_hotspotTable.fields;
        long entries = 0;
        for (int rc = d4seek(table, m_code.c_str()); rc == 0;
             rc = d4seekNext(table, m_code.c_str())) {
            if (!withinRecordCount(table, "SVHOTSPO.MDX", "HSID", ++entries)) break;
            const long record = d4recNo(table);
            const std::string link = fieldText(f[kLink]);
            const std::string hsid = trimmed(fieldText(f[kHsId]));
            const int x = int(*f[kX]), y = int(*f[kY]);
            const int width = int(*f[kWidth]), height = int(*f[kHeight]);
            takeBoxes("SVHOTSPO.DBF", record);
            // A hotspot without its first media record is skipped by the viewer, and so here.
            const std::string first =
                paddedKey(link, f4len(m_mediaTable.fields[0])) + kFirstSequence;
            const bool hasMedia = d4seek(m_mediaTable.data, first.c_str()) == 0;
            takeBoxes("SVMMINFO.DBF", -1);
            if (!hasMedia) continue;
            if (m_hotspotCount == kMaxHotspots) {
                add("SVHOTSPO.DBF", record,
                    "hotspot " + hsid + " is beyond the " + std::to_string(kMaxHotspots) +
                        " the viewer loads; it is dropped");
                continue;
            }
            ++m_hotspotCount;
            checkHotspot(record, hsid, x, y, width, height);
            collectMedia(link, link);
        }
        takeBoxes("SVHOTSPO.DBF", -1);
        if (m_parkRead && m_hotspotCount != m_expectedHotspots)
            add("SVNPARK.DBF", m_parkRecord,
                "NUMHOTSPOT is " + std::to_string(m_expectedHotspots) + " but the viewer loads " +
                    std::to_string(m_hotspotCount) + " hotspots");
    }
    closeTable(m_mediaTable, "SVMMINFO");
    closeTable(m_hotspotTable, "SVHOTSPO");
}

void Checker::checkLocatorMap() {
    checkPicture(m_panDir + "\\" + m_code + "I.JPG", platform::toUpperAscii(m_code) + "I.JPG", -1,
                 "locator map");
}

// The viewer's reading stops at its limits; the check reads on to list what is dropped, but no
// further than the table's records (a damaged index could lead the seeks round in circles).
bool Checker::withinRecordCount(Data4* table, const char* index, const char* tag, long entries) {
    const long records = std::min(d4recCount(table), kMaxEntries);
    if (entries <= records) return true;
    add(index, -1,
        std::string("tag ") + tag + " gives more entries than its table has records (" +
            std::to_string(records) + "); the index is damaged");
    return false;
}

void Checker::checkHotspot(long record, const std::string& hsid, int x, int y, int width,
                           int height) {
    // The rectangle as the viewer makes it: the far edges kept within 32 bits.
    const auto edge = [](int start, int extent) {
        return std::int32_t(
            std::clamp<std::int64_t>(std::int64_t(start) + extent, INT32_MIN, INT32_MAX));
    };
    const Rect rect{x, y, edge(x, width), edge(y, height)};
    const std::string name = "hotspot " + hsid;
    if (rect.isEmpty()) {
        add("SVHOTSPO.DBF", record,
            name + " has no inside (width " + std::to_string(width) + ", height " +
                std::to_string(height) + "): it never shows");
        return;
    }
    if (m_panoramaWidth < 0) return;
    const Rect image{0, 0, m_panoramaWidth, m_panoramaHeight};
    const std::string size = " the panorama (" + std::to_string(m_panoramaWidth) + " x " +
                             std::to_string(m_panoramaHeight) + ")";
    if (rect.intersect(image).isEmpty())
        add("SVHOTSPO.DBF", record, name + " lies outside" + size);
    else if (rect.intersect(image) != rect)
        add("SVHOTSPO.DBF", record, name + " reaches beyond" + size);
}

void Checker::collectMedia(const std::string& seekText, const std::string& compareText) {
    Data4* table = m_mediaTable.data;
    const auto& f = m_mediaTable.fields;
    enum { kLink, kLinkPlus, kName, kType };
    const std::string key = paddedKey(seekText, f4len(f[kLink])) + kFirstSequence;
    int rc = d4seek(table, key.c_str());
    // Records of the link past the viewer's limit are listed as dropped; the viewer stops there.
    long entries = 0;
    while (rc == 0 && fieldText(f[kLink]) == compareText &&
           withinRecordCount(table, "SVMMINFO.MDX", "MSLINKPLUS", ++entries)) {
        MediaRecord media;
        media.record = d4recNo(table);
        media.link = compareText;
        media.name = trimmed(fieldText(f[kName]));
        media.type = int(*f[kType]);
        takeBoxes("SVMMINFO.DBF", media.record);
        if (int(m_media.size()) < kMaxMedia) {
            m_media.push_back(std::move(media));
        } else {
            add("SVMMINFO.DBF", media.record,
                "media record " + media.name + " is beyond the " + std::to_string(kMaxMedia) +
                    " the viewer loads; it is dropped");
        }
        rc = d4seekNext(table, seekText.c_str());
    }
    takeBoxes("SVMMINFO.DBF", -1);
}

void Checker::checkVisitorCenter() {
    const bool narratives =
        openTable("SVNARRAT", {"MSLINK", "NARRATIVET"}, {"MSLINK"}, m_narrativeTable);
    if (narratives) d4tagSelect(m_narrativeTable.data, m_narrativeTable.tags[0]);
    checkPicture(m_panDir + "\\" + m_code + "LC.JPG", platform::toUpperAscii(m_code) + "LC.JPG", -1,
                 "viewpoint picture");
    for (const MediaRecord& media : m_media) {
        const std::string path = m_panDir + "\\" + media.name;
        switch (media.type) {
        case kViewpointPictureType:
            break; // the viewpoint picture, checked above
        case kMapType:
            checkPicture(path, "SVMMINFO.DBF", media.record, "map " + media.name);
            break;
        case kPhotoType:
            checkPicture(path, "SVMMINFO.DBF", media.record, "photograph " + media.name);
            break;
        default:
            if (media.type != kVideoType)
                add("SVMMINFO.DBF", media.record,
                    "media type " + std::to_string(media.type) +
                        " is no known type; the viewer plays " + media.name + " as a video");
            checkVideo(path, "SVMMINFO.DBF", media.record, "video " + media.name);
        }
        if (!narratives) continue;
        try {
            checkNarrative(media);
        } catch (const LayerExit&) {
            // The viewer would end here; the next links are looked up in the table opened anew.
            takeBoxes("SVNARRAT.DBT", m_activeRecord);
            resetContext();
            if (!openTable("SVNARRAT", {"MSLINK", "NARRATIVET"}, {"MSLINK"}, m_narrativeTable))
                return;
            d4tagSelect(m_narrativeTable.data, m_narrativeTable.tags[0]);
        }
    }
}

void Checker::checkNarrative(const MediaRecord& media) {
    m_activeRecord = -1;
    // Each link is looked up once: its records share the narrative.
    if (!m_linksLookedUp.insert(media.link).second) return;
    Data4* table = m_narrativeTable.data;
    if (d4seek(table, media.link.c_str()) != 0) {
        takeBoxes("SVNARRAT.DBF", -1);
        add("SVMMINFO.DBF", media.record,
            "link " + trimmed(media.link) + " has no narrative in SVNARRAT");
        m_context.lastError = 0;
        return;
    }
    const long record = d4recNo(table);
    m_activeRecord = record;
    Field4* field = m_narrativeTable.fields[1];
    std::string document = kNarrativeHeader;
    if (const char* text = f4memoPtr(field)) document.append(text, f4memoLen(field));
    document += kNarrativeTrailer;
    takeBoxes("SVNARRAT.DBT", record);
    m_context.lastError = 0;
    const rtf::Document parsed = rtf::parse(document);
    if (parsed.problems.empty()) return;
    std::string list;
    for (const std::string& problem : parsed.problems)
        list += (list.empty() ? "" : ", ") + problem;
    add("SVNARRAT.DBF", record,
        "narrative of link " + trimmed(media.link) + " had to be repaired: " + list);
}

void Checker::checkPicture(const std::string& path, const std::string& file, long record,
                           const std::string& what) {
    if (!isRegularFile(path)) {
        add(file, record, what + " missing");
        return;
    }
    // Decoded in direct colour, which uses no palette's colours; the reader only insists on having
    // one. Without the panorama's a grey one does, so that a broken panorama does not make every
    // picture fail with it.
    Cmemdib::SetDisplayDepth(24);
    if (!m_palette.hasHandle()) {
        std::vector<std::uint8_t> bytes(4 + 256 * 4);
        const auto* grey = reinterpret_cast<LOGPALETTE*>(bytes.data());
        const WORD version = 0x0300, count = 256;
        std::memcpy(bytes.data(), &version, 2);
        std::memcpy(bytes.data() + 2, &count, 2);
        for (std::size_t i = 0; i < 256; ++i)
            std::memset(bytes.data() + 4 + i * 4, int(i), 3);
        m_palette.CreatePalette(grey);
    }
    Cmemdib picture;
    if (!picture.ReadImageFile(path.c_str(), "", TRUE, nullptr, &m_palette, TRUE, kCaption))
        add(file, record, what + " does not decode: " + readerMessages());
    m_boxes.clear();
}

// A video opens when its file can be read and, for an AVI file (by its name or its first bytes),
// when its header list declares a frame size, which is what the video window reads before
// playing. Other formats are left to the player: such a file only has to be there and not empty.
void Checker::checkVideo(const std::string& path, const std::string& file, long record,
                         const std::string& what) {
    if (!isRegularFile(path)) {
        add(file, record, what + " missing");
        return;
    }
    platform::File video;
    std::string head(platform::kAviHeaderProbeBytes, '\0');
    std::int64_t got = -1;
    if (video.open(path, true) == 0) got = video.readAt(0, head.data(), head.size());
    if (got < 0) {
        add(file, record, what + " cannot be read");
        return;
    }
    head.resize(std::size_t(got));
    if (head.empty()) {
        add(file, record, what + " is empty");
        return;
    }
    const bool avi =
        endsWithNoCase(path, ".AVI") ||
        (head.size() >= 12 && head.compare(0, 4, "RIFF") == 0 && head.compare(8, 4, "AVI ") == 0);
    if (!avi) return;
    platform::VideoFrameSize size;
    if (!platform::aviFrameSize(head, &size)) {
        add(file, record, what + " does not open: no AVI header with a frame size");
        return;
    }
    // A file cut short plays up to the cut at best; the RIFF size says how long it should be.
    std::uint64_t declared = 0;
    for (int i = 7; i >= 4; --i)
        declared = declared << 8 | std::uint8_t(head[std::size_t(i)]);
    const std::int64_t length = video.size();
    if (length >= 0 && std::uint64_t(length) < declared + 8)
        add(file, record,
            what + " is cut short: " + std::to_string(length) + " of " +
                std::to_string(declared + 8) + " bytes");
}

} // namespace

std::vector<std::string> checkViewpoint(const std::string& code, const std::string& panDir,
                                        const std::string& dbDir) {
    Checker checker(code, panDir, dbDir);
    return checker.run();
}

int runCheck(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    if (args.size() != 3 || args[0].empty() || args[0][0] == '-') {
        std::fprintf(err, "usage: pantool %s\n", kCheckUsage);
        return 2;
    }
    for (std::size_t i = 1; i < 3; ++i) {
        if (!isDirectory(args[i])) {
            std::fprintf(err, "pantool check: %s is not a folder\n", args[i].c_str());
            return 2;
        }
    }
    std::vector<std::string> problems;
    try {
        problems = checkViewpoint(args[0], args[1], args[2]);
    } catch (const std::exception& error) {
        std::fprintf(err, "pantool check: %s\n", error.what());
        return 2;
    }
    for (const std::string& line : problems)
        std::fprintf(out, "%s\n", platform::windows1252ToUtf8(line).c_str());
    if (problems.empty())
        std::fprintf(out, "no problems\n");
    else
        std::fprintf(out, "%zu problem%s\n", problems.size(), problems.size() == 1 ? "" : "s");
    return problems.empty() ? 0 : 1;
}

} // namespace pantool
