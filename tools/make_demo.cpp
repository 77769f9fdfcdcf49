// make_demo DIR: writes the tables of the demo viewpoint DEMO01 (SVNPARK, SVHOTSPO, SVMMINFO,
// SVNARRAT with their production indexes and memo file) and its panorama, photographs and videos
// into DIR, replacing earlier ones. The output depends on nothing but this program, so every run
// writes the same bytes.
#include "tools/demo_layout.h"
#include "tools/dbase_writer.h"
#include "tools/demo_images.h"
#include "tools/viewpoint_tables.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

// Narrative bodies in Rich Text Format (the viewer adds the document's header and trailer).
// Ember Pass has a record with an empty narrative; the fire lookout, which has no media, none.
struct Narrative {
    int hotspot; // -1: the viewpoint
    const char* text;
};

const Narrative kNarratives[] =
    {
        {-1,
         R"rtf({\fs28\b Elderfell Overlook}\par The overlook stands on a shoulder of Mount Elderfell, 1,840 metres above the sea. From its terrace the view sweeps over twelve kilometres of peaks, lakes and valleys.\par The best light comes in the {\i early morning}, when the sun rises behind the Sawtooth Ridge and the mist still lies on Lake Mirrowen.\par\sb120 {\b What the overlook offers}\par\pard\plain\f0\fs20\li360\fi-240 \bullet\tab Parking for 60 cars and 4 coaches\par \bullet\tab A shelter with a relief map of the range\par \bullet\tab Drinking water and toilets from May to October\par \bullet\tab The Caf\'e9 Edelweiss, open in summer from 9 to 6\par\pard\plain\f0\fs20\sb120 {\b Walks from the overlook}\par The {\i Ridge Path} leaves the terrace to the north and climbs gently for 3 kilometres to the Sawtooth viewpoint; allow two hours there and back. The {\i Lake Path} drops 400 metres through larch woods to the shore of Lake Mirrowen and returns by the same way; it is steep in places and takes half a day.\par\pard\plain\f0\fs20\li360 {\i Weather changes quickly at this height. Carry warm clothing and rain gear even on a fine day, and turn back in good time when clouds come down over the ridge.}\par\pard\plain\f0\fs20\sb120 {\b History}\par The first shelter was built in 1911 by the Aldenbrook alpine club from stone carried up by mule. It burned down in 1946 and was rebuilt with the help of the village; the present building dates from 1987. The relief map in the shelter was modelled by the teacher Ren\'e9 Vallard over three winters.\par\pard\plain\f0\fs20\sb120 {\b Plants and animals}\par Above the tree line the meadows flower from June: gentians, alpine asters and the white stars of edelweiss, which is protected and must not be picked. Marmots whistle from the boulder fields below the terrace, and on quiet evenings chamois cross the screes under Greyhollow Peak.\par Bearded vultures, released in the range since 1991, are seen most summers circling over the Sawtooth Ridge; a board in the shelter shows how to tell them from golden eagles.\par\pard\plain\f0\fs20\sb120 {\b Getting here}\par The overlook road branches off the valley road 2 kilometres above Aldenbrook and climbs in fourteen bends; it is closed from November to April. The post bus runs four times a day in summer. From the upper car park a level path of 300 metres leads to the terrace and is suitable for wheelchairs and prams.\par\qc {\cf0\b Please take your litter home.})rtf"},
        {0,
         R"rtf({\b Greyhollow Peak}\par At 2,914 metres Greyhollow is the highest summit in view. Its name comes from the grey scree bowl on the north face, which holds snow into July.\par The normal route climbs the east ridge from the Kestrel Valley and needs {\i a full day} and a sure foot.)rtf"},
        {1,
         R"rtf({\b Lake Mirrowen}\par A glacier carved the basin of Lake Mirrowen; today it is 42 metres deep and fed by snowmelt.\par On calm mornings the lake mirrors the whole Sawtooth Ridge, which gave it its name. {\i Swimming is cold even in August.})rtf"},
        {2,
         R"rtf({\b Kestrel Valley}\par The broad valley below the overlook is farmed for hay. Kestrels hunt over the meadows from spring to autumn.\par A marked trail of 9 kilometres follows the stream from Aldenbrook to the head of the valley.)rtf"},
        {3,
         R"rtf({\b Aldenbrook}\par The village of Aldenbrook has about 300 inhabitants, a church from 1731 and a dairy that still makes {\i Aldenbrook blue} cheese.\par The bus to the overlook leaves from the village green.)rtf"},
        {4,
         R"rtf({\b Thornmere Falls}\par The stream from Thornmere tarn drops 64 metres in two steps. After snowmelt the spray can be seen from the overlook.\par {\i Keep to the path:} the rocks near the falls are slippery all year.)rtf"},
        {5,
         R"rtf({\b The Sawtooth Ridge}\par Seven rock towers give the ridge its jagged outline. The traverse from the north tooth to the south tooth is a classic climb of moderate difficulty.\par Golden eagles nest on the ridge; parts of it are closed from March to June.)rtf"},
        {7,
         R"rtf({\b Hallam Glacier}\par The Hallam Glacier has retreated by some 600 metres since the first survey in 1880.\par Its meltwater feeds Lake Mirrowen. {\i Never walk on the glacier without a guide.})rtf"},
        {8, ""},
        {9,
         R"rtf({\b Wrenfield Forest}\par Spruce and larch cover the slopes below the pass. Some trees in the old stand are more than 400 years old.\par The forest is home to red deer, capercaillie and the rare {\i three-toed woodpecker}.)rtf"},
        {10,
         R"rtf({\b Copperstone Bridge}\par The single stone arch was built in 1852 for the mule track to the copper mines above Ember Pass.\par It was restored in 1994 and carries the valley trail over the Coldwater River.)rtf"},
        {11,
         R"rtf({\b Coldwater River}\par The river collects the streams of the whole valley and leaves it through a narrow gorge below the bridge.\par Fishing needs a permit from the Aldenbrook post office.)rtf"},
};

std::string linkOf(int hotspot) {
    return hotspot < 0 ? demo::kViewpointLink : demo::kHotspots[hotspot].mslink;
}

bool hasFirstMedia(int hotspot) {
    return std::any_of(std::begin(demo::kMedia), std::end(demo::kMedia), [&](const demo::Media& m) {
        return m.hotspot == hotspot && std::strcmp(m.sequence, "00") == 0;
    });
}

dbase::TableOptions options() {
    dbase::TableOptions o;
    o.lastUpdate = {1999, 6, 15};
    return o;
}

// The viewpoint's record. NUMHOTSPOT is the number of hotspots the viewer will load: those
// with a first media record.
dbase::TableDef parkTable() {
    int loaded = 0;
    for (int i = 0; i < static_cast<int>(std::size(demo::kHotspots)); ++i)
        loaded += hasFirstMedia(i);
    dbase::TableDef def = viewpoint_tables::park();
    def.records = {{demo::kPanCode, demo::kViewpointName, std::to_string(loaded), demo::kCopyright,
                    demo::kViewpointLink}};
    def.options = options();
    return def;
}

// Hotspots stored left to right across the panorama, so only the HSID tag gives their order.
dbase::TableDef hotspotTable() {
    dbase::TableDef def = viewpoint_tables::hotspots();
    std::vector<const demo::Hotspot*> byPosition;
    for (const demo::Hotspot& h : demo::kHotspots)
        byPosition.push_back(&h);
    std::stable_sort(byPosition.begin(), byPosition.end(),
                     [](const demo::Hotspot* a, const demo::Hotspot* b) { return a->x < b->x; });
    for (const demo::Hotspot* h : byPosition) {
        def.records.push_back({h->hsid, h->mslink, std::to_string(h->x), std::to_string(h->y),
                               std::to_string(h->width), std::to_string(h->height),
                               h->poi ? "1" : "0", h->camp ? "1" : "0"});
    }
    def.options = options();
    return def;
}

// Media records stored round by round (every link's "00", then every "01", ...), so only the
// MSLINKPLUS tag groups them by link.
dbase::TableDef mediaTable() {
    dbase::TableDef def = viewpoint_tables::media();
    std::vector<const demo::Media*> byRound;
    for (const demo::Media& m : demo::kMedia)
        byRound.push_back(&m);
    std::stable_sort(byRound.begin(), byRound.end(),
                     [](const demo::Media* a, const demo::Media* b) {
                         return std::strcmp(a->sequence, b->sequence) < 0;
                     });
    for (const demo::Media* m : byRound) {
        def.records.push_back({linkOf(m->hotspot), m->sequence, m->mediaName,
                               std::to_string(m->mediaType), m->site, m->caption, m->credits});
    }
    def.options = options();
    return def;
}

dbase::TableDef narrativeTable() {
    dbase::TableDef def = viewpoint_tables::narratives();
    for (const Narrative& n : kNarratives)
        def.records.push_back({linkOf(n.hotspot), n.text});
    def.options = options();
    return def;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_demo DIR\n"
                     "writes the demo tables SVNPARK, SVHOTSPO, SVMMINFO and SVNARRAT into DIR\n";
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    try {
        dbase::writeTable(dir, "SVNPARK", parkTable());
        dbase::writeTable(dir, "SVHOTSPO", hotspotTable());
        dbase::writeTable(dir, "SVMMINFO", mediaTable());
        dbase::writeTable(dir, "SVNARRAT", narrativeTable());
    } catch (const std::exception& error) {
        std::cerr << "make_demo: " << error.what() << "\n";
        return 1;
    }
    if (!demo::writeDemoImages(dir.string())) return 1;
    std::cout << "make_demo: wrote the tables and images of " << demo::kPanCode << " to "
              << dir.string() << "\n";
    return 0;
}
