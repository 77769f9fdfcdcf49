// pantool's check command: reads everything the viewer reads for one viewpoint (its four tables,
// the panorama, the locator map, the viewpoint picture, every photograph, map and video of its
// media records and every narrative) and lists each problem it meets instead of stopping there.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace pantool {

inline constexpr const char* kCheckUsage = "check CODE PAN_DIR DB_DIR";

// What "pantool check --help" adds to the usage line.
inline constexpr const char* kCheckDetails =
    "Reads the viewpoint CODE as the viewer does: the tables SVNPARK, SVHOTSPO, SVMMINFO and\n"
    "SVNARRAT (with their indexes and memo file) from DB_DIR, the panorama CODE.GZ from PAN_DIR\n"
    "(else DB_DIR), and from PAN_DIR the locator map CODEI.JPG, the viewpoint picture\n"
    "CODELC.JPG and the file of every media record the viewer loads. File names are matched\n"
    "without regard to case. Every problem is one line naming the file and, where there is one,\n"
    "the record: missing tables, fields, tags and files, table-layer errors with their numbers,\n"
    "a panorama that is no 8-bit BMP, hotspots outside the panorama or without an inside,\n"
    "hotspots beyond 100 and media records beyond 125 (the viewer drops them), photographs and\n"
    "maps that do not decode, videos that do not open, links without a narrative and narratives\n"
    "whose rich text had to be repaired.\n"
    "Exit status: 0 no problems, 1 problems (their count is the last line), 2 bad arguments or\n"
    "a folder that does not exist.";

// The problems of one viewpoint, in the order the viewer would meet them. Messages the table
// layer and the image readers would show become problems; nothing is shown, and no table-layer
// error ends the process.
std::vector<std::string> checkViewpoint(const std::string& code, const std::string& panDir,
                                        const std::string& dbDir);

// check CODE PAN_DIR DB_DIR: prints the problems and a summary line to out, complaints about the
// arguments to err. Returns 0, 1 or 2 as kCheckDetails says.
int runCheck(const std::vector<std::string>& args, std::FILE* out = stdout,
             std::FILE* err = stderr);

} // namespace pantool
