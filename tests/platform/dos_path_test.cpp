#include "platform/core/dos_path.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

using platform::completePath;
using platform::resolveDosPath;
using testing_support::TempDir;

TEST(DosPath, CompletesNamesAgainstTheWorkingDirectory) {
    struct Case {
        const char* name;
        const char* input;
        const char* expected;
    } cases[] = {
        {"relative", "DATA\\SVNPARK", "/home/user/DATA/SVNPARK"},
        {"forward slashes", "data/svnpark.dbf", "/home/user/data/svnpark.dbf"},
        {"absolute", "\\CD\\DB\\SVNPARK", "/CD/DB/SVNPARK"},
        {"drive dropped", "E:\\WRK\\MAPS", "/WRK/MAPS"},
        {"drive relative", "E:MAPS", "/home/user/MAPS"},
        {"dot parts", ".\\DB\\.\\X", "/home/user/DB/X"},
        {"dot dot", "..\\OTHER\\X", "/home/OTHER/X"},
        {"dot dot above root", "\\..\\..\\X", "/X"},
        {"doubled separators", "DB\\\\X", "/home/user/DB/X"},
        {"only a dot", ".", "/home/user"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(completePath(c.input, "/home/user"), c.expected) << c.name;
}

TEST(DosPath, ResolvesEachComponentWithoutRegardToCase) {
    TempDir dir;
    dir.write("Maps/denve1.gz", "x");
    dir.write("Maps/Tables/svnpark.dbf", "x");
    const std::string base = dir.str();

    EXPECT_EQ(resolveDosPath(base + "\\MAPS\\DENVE1.GZ"), base + "/Maps/denve1.gz");
    EXPECT_EQ(resolveDosPath(base + "/maps/tables/SVNPARK.DBF"), base + "/Maps/Tables/svnpark.dbf");
    // A missing component and what follows it are kept as given.
    EXPECT_EQ(resolveDosPath(base + "\\MAPS\\NOPE\\X.DBF"), base + "/Maps/NOPE/X.DBF");
}

TEST(DosPath, AnExactMatchWinsOverACaseInsensitiveOne) {
    TempDir dir;
    dir.write("pano.gz", "lower");
    dir.write("PANO.GZ", "upper");
    dir.write("Pano.Gz", "mixed");
    EXPECT_EQ(resolveDosPath(dir.str() + "/PANO.GZ"), dir.str() + "/PANO.GZ");
    EXPECT_EQ(resolveDosPath(dir.str() + "/pano.gz"), dir.str() + "/pano.gz");
    EXPECT_EQ(resolveDosPath(dir.str() + "/Pano.Gz"), dir.str() + "/Pano.Gz");
}
