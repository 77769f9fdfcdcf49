// The tables of a viewpoint as the viewer reads them: their fields and index tags, without
// records. The demo generator, the tests and the benchmarks fill them in.
#pragma once

#include "tools/dbase_writer.h"

namespace viewpoint_tables {

// Every link has the same width in all four tables: the viewer compares links on full field text.
inline constexpr unsigned kLinkWidth = 10;

// SVNPARK: one record per viewpoint.
inline dbase::TableDef park() {
    dbase::TableDef def;
    def.fields = {{"PARKNO", 'C', 6},
                  {"PARKNAME", 'C', 40},
                  {"NUMHOTSPOT", 'N', 3},
                  {"COPYRIGHT", 'C', 60},
                  {"MSLINK", 'C', kLinkWidth}};
    def.tags = {{"PARKNO", "PARKNO"}, {"NUMHOTSPOT", "NUMHOTSPOT"}};
    return def;
}

// SVHOTSPO: one record per hotspot; X, Y, WIDTH and HEIGHT are numbers of the given width.
inline dbase::TableDef hotspots(unsigned numberWidth = 5) {
    dbase::TableDef def;
    def.fields = {{"HSID", 'C', 10},
                  {"MSLINK", 'C', kLinkWidth},
                  {"X", 'N', numberWidth},
                  {"Y", 'N', numberWidth},
                  {"WIDTH", 'N', numberWidth},
                  {"HEIGHT", 'N', numberWidth},
                  {"POI", 'N', 1},
                  {"CAMP", 'N', 1}};
    def.tags = {{"HSID", "HSID"}};
    return def;
}

// SVMMINFO: the media records, grouped by link through the MSLINKPLUS tag.
inline dbase::TableDef media() {
    dbase::TableDef def;
    def.fields = {{"MSLINK", 'C', kLinkWidth}, {"MSLINKPLUS", 'C', 2}, {"MEDIANAME", 'C', 12},
                  {"MEDIATYPE", 'N', 2},       {"SITE", 'C', 30},      {"CAPTION", 'C', 50},
                  {"CREDITS", 'C', 50}};
    def.tags = {{"MSLINKPLUS", "MSLINK+MSLINKPLUS"}};
    return def;
}

// SVNARRAT: one rich-text narrative per link.
inline dbase::TableDef narratives() {
    dbase::TableDef def;
    def.fields = {{"MSLINK", 'C', kLinkWidth}, {"NARRATIVET", 'M'}};
    def.tags = {{"MSLINK", "MSLINK"}};
    return def;
}

} // namespace viewpoint_tables
