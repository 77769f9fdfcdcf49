// pantool: command-line checks of the data the viewer reads. One subcommand per kind of data;
// "table" lists, dumps, seeks and walks a dBASE table through the table open sequence; "check"
// lists every problem of one viewpoint's data.
#include "tools/pantool_check.h"
#include "tools/pantool_image.h"
#include "tools/pantool_table.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Command {
    const char* name;
    const char* usage;
    const char* summary;
    int (*run)(const std::vector<std::string>& args);
    const char* details = nullptr; // more for "pantool COMMAND --help"
};

constexpr Command kCommands[] = {
    {"table", pantool::kTableUsage,
     "fields, tags and record count of a dBASE table; --dump prints every record, --seek the "
     "results of a seek and up to N seek-nexts, --walk every entry of a tag in key order",
     [](const std::vector<std::string>& args) { return pantool::runTable(args); }},
    {"image", "image FILE [--depth 8|24] [--palette memdib.pal] [--out OUT.bmp]",
     "reads an image as the viewer does (a JPEG needs --palette) and prints its width, "
     "height and bit count; --out writes the bitmap in memory as a BMP file",
     &pantool::runImage},
    {"palette", "palette IMAGE.GZ --out memdib.pal",
     "makes the palette cache file from a panorama's colour table", &pantool::runPalette},
    {"check", pantool::kCheckUsage,
     "reads everything the viewer reads for one viewpoint and lists every problem, one line "
     "each with the file and the record; exit status 0 none, 1 problems, 2 bad arguments",
     [](const std::vector<std::string>& args) { return pantool::runCheck(args); },
     pantool::kCheckDetails},
};

void printHelp(std::FILE* out) {
    std::fprintf(out, "usage: pantool COMMAND ARGS...\n       pantool --help\n\ncommands:\n");
    for (const Command& c : kCommands)
        std::fprintf(out, "  pantool %s\n      %s\n", c.usage, c.summary);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printHelp(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& c : kCommands) {
        if (c.name == std::string_view(argv[1])) {
            for (const std::string& a : args) {
                if (a == "--help") {
                    std::printf("usage: pantool %s\n  %s\n", c.usage, c.summary);
                    if (c.details) std::printf("\n%s\n", c.details);
                    return 0;
                }
            }
            return c.run(args);
        }
    }
    std::fprintf(stderr, "pantool: unknown command '%s'\n", argv[1]);
    printHelp(stderr);
    return 2;
}
