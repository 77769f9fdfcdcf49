#include "platform/core/profile.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using testing_support::readFile;
using testing_support::TempDir;

namespace {
constexpr const char* kSection = "Corvane Skyvistas";

// Points the user's configuration directory at a temporary folder for one test.
class ConfigHome {
public:
    ConfigHome() {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old) m_old = old;
        m_had = old != nullptr;
        ::setenv("XDG_CONFIG_HOME", m_dir.str().c_str(), 1);
    }
    ~ConfigHome() {
        if (m_had)
            ::setenv("XDG_CONFIG_HOME", m_old.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    const TempDir& dir() const { return m_dir; }

private:
    TempDir m_dir;
    std::string m_old;
    bool m_had = false;
};
} // namespace

TEST(Profile, ReadsIntegersTheWayTheSettingsNeedThem) {
    struct Case {
        const char* label;
        std::string file;
        UINT expected;
    } cases[] = {
        {"value 1", "[Corvane Skyvistas]\nuse_slide_menus=1\n", 1},
        {"value 5", "[Corvane Skyvistas]\nuse_slide_menus=5\n", 5},
        {"not a number", "[Corvane Skyvistas]\nuse_slide_menus=yes\n", 0},
        {"digits then text", "[Corvane Skyvistas]\nuse_slide_menus=12ab\n", 12},
        {"blanks and case", "  [corvane SKYVISTAS]  \r\n  USE_SLIDE_MENUS = 7 \r\n", 7},
        {"empty value", "[Corvane Skyvistas]\nuse_slide_menus=\n", 42},
        {"negative", "[Corvane Skyvistas]\nuse_slide_menus=-3\n", 0},
        {"quoted", "[Corvane Skyvistas]\nuse_slide_menus=\"9\"\n", 9},
        {"huge saturates", "[Corvane Skyvistas]\nuse_slide_menus=99999999999999999999\n", 4294967295u},
        {"other section", "[Other]\nuse_slide_menus=1\n", 42},
        {"commented out", "[Corvane Skyvistas]\n;use_slide_menus=1\n", 42},
        {"first section wins", "[Corvane Skyvistas]\nx=1\n[Corvane Skyvistas]\nuse_slide_menus=3\n", 42},
        {"first key wins", "[Corvane Skyvistas]\nuse_slide_menus=2\nuse_slide_menus=3\n", 2},
        {"no line end", "[Corvane Skyvistas]\nuse_slide_menus=8", 8},
        {"unclosed header", "[Corvane Skyvistas\nuse_slide_menus=6\n", 6},
        {"nul bytes", std::string("[Corvane Skyvistas]\n\0x=1\nuse_slide_menus=4\n", 43), 4},
    };
    for (const auto& c : cases) {
        ConfigHome home;
        home.dir().write("skyvist.ini", c.file);
        EXPECT_EQ(GetPrivateProfileIntA(kSection, "use_slide_menus", 42, "skyvist.ini"), c.expected)
            << c.label;
    }
    ConfigHome empty;
    EXPECT_EQ(GetPrivateProfileIntA(kSection, "use_slide_menus", 42, "skyvist.ini"), 42u)
        << "no file";
}

TEST(Profile, WritingKeepsEveryOtherLineOfTheFile) {
    struct Case {
        const char* label;
        const char* before;
        const char* key;
        const char* value;
        const char* after;
    } cases[] = {
        {"no file", "", "use_slide_menus", "1", "[Corvane Skyvistas]\nuse_slide_menus=1\n"},
        {"replace in place",
         "; mine\n[Corvane Skyvistas]\nuse_slide_menus = 5 \nother=x\n\n[Z]\nq=1\n",
         "use_slide_menus", "1",
         "; mine\n[Corvane Skyvistas]\nuse_slide_menus=1\nother=x\n\n[Z]\nq=1\n"},
        {"append after the last entry", "[Corvane Skyvistas]\na=1\n\n[Z]\n", "b", "0",
         "[Corvane Skyvistas]\na=1\nb=0\n\n[Z]\n"},
        {"new section at the end keeps CR LF", "[Z]\r\nq=1\r\n", "b", "0",
         "[Z]\r\nq=1\r\n\r\n[Corvane Skyvistas]\r\nb=0\r\n"},
        {"file without final line end", "[Z]\nq=1", "b", "0", "[Z]\nq=1\n\n[Corvane Skyvistas]\nb=0\n"},
        {"remove key", "[Corvane Skyvistas]\na=1\nb=2\n", "a", nullptr, "[Corvane Skyvistas]\nb=2\n"},
        {"remove section", "[A]\nx=1\n[Corvane Skyvistas]\na=1\n[B]\ny=2\n", nullptr, nullptr,
         "[A]\nx=1\n[B]\ny=2\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::applyProfileWrite(c.before, kSection, c.key, c.value), c.after)
            << c.label;
    }
}

TEST(Profile, WritesTheFileInTheConfigurationDirectoryAtomically) {
    ConfigHome home;
    ASSERT_TRUE(WritePrivateProfileStringA(kSection, "use_slide_menus", "1", "skyvist.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA(kSection, "use_windows_bkg_color", "0", "skyvist.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA(kSection, "use_standard_scroll", "1", "skyvist.ini"));
    EXPECT_EQ(readFile(home.dir().file("skyvist.ini")),
              "[Corvane Skyvistas]\nuse_slide_menus=1\nuse_windows_bkg_color=0\n"
              "use_standard_scroll=1\n");
    // No temporary file is left behind.
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(home.dir().path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(Profile, AFileThatCannotBeReadIsNeverReplaced) {
    ConfigHome home;
    std::string big(platform::kMaxProfileBytes + 1, 'x');
    home.dir().write("skyvist.ini", big);
    EXPECT_EQ(GetPrivateProfileIntA(kSection, "k", 3, "skyvist.ini"), 3u);
    EXPECT_FALSE(WritePrivateProfileStringA(kSection, "k", "1", "skyvist.ini"));
    EXPECT_EQ(readFile(home.dir().file("skyvist.ini")).size(), big.size());
    // A directory in the way is reported, not replaced.
    std::filesystem::create_directory(home.dir().file("dir.ini"));
    EXPECT_FALSE(WritePrivateProfileStringA(kSection, "k", "1", "dir.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(home.dir().file("dir.ini")));
}

TEST(Profile, ANameWithADirectoryIsUsedAsGiven) {
    TempDir dir;
    const std::string path = dir.str() + "/Settings/app.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "7", path.c_str()));
    EXPECT_EQ(GetPrivateProfileIntA("s", "K", 0, (dir.str() + "\\SETTINGS\\APP.INI").c_str()), 7u);
}
