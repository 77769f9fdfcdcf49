// Start-up: the command line and its three checks with their messages, the parameters dialog, and
// a run of the panorama window on a small data set.
#include <filesystem>

#include "app/pan_app.h"
#include "app/params_dlg.h"
#include "platform/qt/controls.h"
#include "platform/qt/test_support.h"
#include "resources/panorama_resources.h"
#include "resources/resource_ids.h"
#include "tests/support/temp_dir.h"
#include "tools/bmp_writer.h"
#include "tools/dbase_writer.h"
#include "tools/viewpoint_tables.h"
#include "viewer/pan_dlg.h"

namespace {

// The application with the panorama window's run replaced by a record of its arguments.
class RecordingApp : public CPanApp {
public:
    int runs = 0;

protected:
    void RunPanoramaWindow() override { ++runs; }
};

class PanAppTest : public platform::test::GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        registerPanoramaResources();
    }
};

const std::string kUsage = "\nUsage:  panorama pan_code pan_path            database_path\n"
                           "  e.g.  panorama denve1   r:\\tourdesk\\hlp   e:\\wrk\\maps\\skyvis";

} // namespace

TEST_F(PanAppTest, CommandLineCases) {
    struct Case {
        const char* commandLine;
        const char* message; // first line, or null when the window runs
        const char* code;
        const char* panPath;
        const char* databasePath;
    } cases[] = {
        {"DEMO01 . .", nullptr, "DEMO01", ".", "."},
        {"demo01 r:\\tourdesk\\hlp e:\\wrk\\maps", nullptr, "DEMO01", "R:\\TOURDESK\\HLP",
         "E:\\WRK\\MAPS"},
        {"DEMO01\t\t./a  \t ./b   fourth argument", nullptr, "DEMO01", "./A", "./B"},
        {"DEMO001 . .", "Pan code, DEMO001, length not 6", "", "", ""},
        {"DEM01 . .", "Pan code, DEM01, length not 6", "", "", ""},
        {"DEMO01", "Pan path must be present (even if only .)", "DEMO01", "", ""},
        {"DEMO01 .", "Database path must be present (even if only .)", "DEMO01", ".", ""},
    };
    for (const Case& c : cases) {
        boxes->clear();
        RecordingApp app;
        app.m_pszAppName = "panorama";
        app.m_lpCmdLine = c.commandLine;
        EXPECT_FALSE(app.InitInstance()) << c.commandLine;
        EXPECT_EQ(app.runs, c.message ? 0 : 1) << c.commandLine;
        EXPECT_EQ(app.has3dControls(), c.message == nullptr) << c.commandLine;
        EXPECT_EQ(app.m_panCode, c.code) << c.commandLine;
        EXPECT_EQ(app.m_panPath, c.panPath) << c.commandLine;
        EXPECT_EQ(app.m_databasePath, c.databasePath) << c.commandLine;
        if (!c.message) {
            EXPECT_TRUE(boxes->calls().empty()) << c.commandLine;
            continue;
        }
        ASSERT_EQ(boxes->calls().size(), 1u) << c.commandLine;
        EXPECT_EQ(boxes->calls()[0].text, c.message + kUsage) << c.commandLine;
        EXPECT_EQ(boxes->calls()[0].caption, "panorama") << c.commandLine;
        EXPECT_EQ(boxes->calls()[0].type, 0x30u) << c.commandLine;
    }
}

// An empty command line asks for it: Cancel ends silently; OK takes the text as typed.
TEST_F(PanAppTest, ParametersDialog) {
    struct Case {
        const char* typed;
        int button;
        int runs;
        const char* message;
    } cases[] = {
        {"demo01 . .", IDCANCEL, 0, nullptr},
        {"", IDOK, 0, "Pan code, , length not 6"},
        {" DEMO01 . .", IDOK, 0, "Pan code, , length not 6"},
        {"demo01 . .", IDOK, 1, nullptr},
    };
    for (const Case& c : cases) {
        boxes->clear();
        RecordingApp app;
        app.m_pszAppName = "panorama";
        std::string caption;
        int limit = 0;
        platform::test::whenModal([&](platform::Window& dialog) {
            caption = dialog.GetWindowText();
            auto* edit = dynamic_cast<platform::Edit*>(dialog.GetDlgItem(IDC_COMMAND_LINE));
            ASSERT_NE(edit, nullptr);
            limit = edit->GetLimitText();
            edit->SetWindowText(c.typed);
            dialog.SendMessage(WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED));
        });
        EXPECT_FALSE(app.InitInstance()) << c.typed;
        EXPECT_EQ(caption, "Skyvistas Command Line Parameters");
        EXPECT_EQ(limit, 80);
        EXPECT_EQ(app.runs, c.runs) << c.typed;
        if (c.message) {
            ASSERT_EQ(boxes->calls().size(), 1u) << c.typed;
            EXPECT_EQ(boxes->calls()[0].text, c.message + kUsage) << c.typed;
        } else {
            EXPECT_TRUE(boxes->calls().empty()) << c.typed;
        }
        if (c.runs) {
            EXPECT_EQ(app.m_panCode, "DEMO01");
        }
    }
}

// The real run: the panorama window is the main window while it runs; its close button ends the
// run and the program; the settings are written.
TEST_F(PanAppTest, RunsThePanoramaWindow) {
    testing_support::TempDir dir;
    std::filesystem::create_directories(dir.path() / "data");
    dbase::TableDef park = viewpoint_tables::park();
    park.records = {{"DEMO01", "Lookout", "0", "(c) 1999", "1"}};
    dbase::writeTable(dir.path() / "data", "SVNPARK", park);
    // The viewpoint has no hotspots and no media records.
    dbase::writeTable(dir.path() / "data", "SVHOTSPO", viewpoint_tables::hotspots());
    dbase::writeTable(dir.path() / "data", "SVMMINFO", viewpoint_tables::media());
    tools::IndexedImage image;
    image.width = 50;
    image.height = 40;
    image.pixels.assign(50 * 40, 3);
    ASSERT_TRUE(tools::writeFile(dir.file("data/DEMO01.GZ"), tools::makeBmp(image), true));
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    setenv("XDG_CONFIG_HOME", dir.str().c_str(), 1);
    CPanDlg::setRealizePause(0);

    CPanApp app;
    app.m_pszAppName = "panorama";
    // Lower-case paths reach the window upper-cased and still find the files.
    app.m_lpCmdLine = "demo01 data data";
    std::string title;
    bool wasMain = false;
    platform::test::whenModal([&](platform::Window& window) {
        title = window.GetWindowText();
        wasMain = platform::mainWindow() == &window;
        window.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CLOSECMD, 0));
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(title, "Skyvista: Lookout");
    EXPECT_TRUE(wasMain);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_EQ(app.m_panPath, "DATA");
    EXPECT_TRUE(boxes->calls().empty());
    EXPECT_TRUE(std::filesystem::exists(dir.file("skyvist.ini")));
    std::filesystem::current_path(cwd);
    unsetenv("XDG_CONFIG_HOME");
}
