// The application object, the resources of the Qt layer, the QMessageBox sink and the window
// services that plain C++ code reaches windows through.
#include "platform/core/resources.h"
#include "platform/core/window_services.h"
#include "platform/qt/application.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/resources.h"
#include "platform/qt/test_support.h"
#include "qt_test_windows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QResource>

using namespace platform;
using platform::test::GuiTest;

namespace {

class ApplicationTest : public GuiTest {};

// Clicks a button of the message box that is up, once the event loop runs.
void answerMessageBox(QMessageBox::StandardButton button, QString* title, QString* text,
                      QMessageBox::Icon* icon, QMessageBox::StandardButtons* buttons,
                      Qt::WindowModality* modality) {
    test::runQueued([=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        *title = box->windowTitle();
        *text = box->text();
        *icon = box->icon();
        *buttons = box->standardButtons();
        *modality = box->windowModality();
        if (button == QMessageBox::NoButton)
            box->reject();
        else
            box->button(button)->click();
    });
}

} // namespace

TEST(ApplicationArguments, TheCommandLineJoinsTheArgumentsAndTheNameIsTheProgramsBaseName) {
    const struct {
        std::vector<const char*> argv;
        const char* line;
    } cases[] = {
        {{"panorama"}, ""},
        {{"panorama", "denve1", ".", "."}, "denve1 . ."},
        {{"panorama", "", "x"}, "x"},
        {{"panorama", "\t park01", "d:\\maps"}, "park01 d:\\maps"},
    };
    for (const auto& c : cases) {
        std::vector<char*> argv;
        for (const char* a : c.argv)
            argv.push_back(const_cast<char*>(a));
        EXPECT_EQ(commandLineFromArguments(int(argv.size()), argv.data()), c.line);
    }
    EXPECT_EQ(applicationNameFromPath("/usr/local/bin/panorama"), "panorama");
    EXPECT_EQ(applicationNameFromPath("C:\\TOUR\\PANORAMA.EXE"), "PANORAMA");
    EXPECT_EQ(applicationNameFromPath("panorama.bin"), "panorama");
    EXPECT_EQ(applicationNameFromPath(""), "application");

    Application app;
    char name[] = "/opt/skyvistas/panorama";
    char code[] = "DENVE1";
    char* argv[] = {name, code, nullptr};
    app.setArguments(2, argv);
    EXPECT_EQ(app.m_lpCmdLine, "DENVE1");
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_STREQ(AfxGetAppName(), "panorama");
    EXPECT_FALSE(app.InitInstance()) << "no message loop of its own";
    Application named("Skyvistas");
    named.setArguments(2, argv);
    EXPECT_EQ(named.m_pszAppName, "Skyvistas");
}

TEST_F(ApplicationTest, AfxMessageBoxUsesTheApplicationsNameAndMainWindow) {
    Application app;
    char name[] = "panorama";
    char* argv[] = {name, nullptr};
    app.setArguments(1, argv);
    EXPECT_EQ(AfxMessageBox("Pan path must be present (even if only .)", 0x30), IDOK);
    RecordingWindow main;
    ASSERT_TRUE(main.createTopLevel());
    app.m_pMainWnd = &main;
    AfxMessageBox("second");
    ASSERT_EQ(boxes->calls().size(), 2u);
    EXPECT_EQ(boxes->calls()[0].caption, "panorama");
    EXPECT_EQ(boxes->calls()[0].type, 0x30u);
    EXPECT_EQ(boxes->calls()[0].owner, nullptr);
    EXPECT_EQ(boxes->calls()[1].owner, main.GetSafeHwnd());
    EXPECT_EQ(windowServices()->mainWindow(), main.GetSafeHwnd());
    {
        RecordingWindow shortLived;
        ASSERT_TRUE(shortLived.createTopLevel());
        app.m_pMainWnd = &shortLived;
    }
    EXPECT_EQ(app.m_pMainWnd, nullptr) << "a main window object that is gone is forgotten";
    EXPECT_EQ(windowServices()->mainWindow(), nullptr);
}

TEST_F(ApplicationTest, ResourcesAreFoundByNumberAndNameAndBitmapsAreUsedInPlace) {
    registerStrings({{102, "Skyvista"}, {101, "&About Skyvistas..."}});
    std::string text;
    EXPECT_TRUE(LoadString(102, text));
    EXPECT_EQ(text, "Skyvista");
    EXPECT_FALSE(LoadString(103, text));
    EXPECT_EQ(text, "");

    EXPECT_EQ(registerBitmapResources(":/bitmaps"), 2);
    HINSTANCE instance = AfxGetInstanceHandle();
    ASSERT_NE(instance, nullptr);
    HRSRC byName = FindResourceA(instance, "idb_testpicture", RT_BITMAP);
    ASSERT_NE(byName, nullptr) << "names match without regard to case";
    const QResource stored(QStringLiteral(":/bitmaps/IDB_TESTPICTURE.dib"));
    EXPECT_EQ(LockResource(LoadResource(instance, byName)), stored.data())
        << "the bytes are used where the program holds them";
    EXPECT_EQ(SizeofResource(instance, byName), 1088u);
    HRSRC byNumber = FindResourceA(instance, MAKEINTRESOURCEA(130), RT_BITMAP);
    ASSERT_NE(byNumber, nullptr);
    EXPECT_EQ(FindResourceA(instance, "IDB_MISSING", RT_BITMAP), nullptr);

    EXPECT_TRUE(registerIconResource(128, ":/icons/app.png"));
    EXPECT_FALSE(registerIconResource(129, ":/icons/none.png"));
    HICON icon = LoadIcon(128);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->image(32, 32).pixel(2, 2) & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(LoadIcon(129), nullptr);
    EXPECT_NE(LoadIcon(IDI_APPLICATION), nullptr);
}

TEST_F(ApplicationTest, TheMessageBoxSinkShowsAQMessageBoxAndAnswersItsButton) {
    RecordingWindow owner;
    ASSERT_TRUE(owner.createTopLevel());
    const struct {
        const char* label;
        HWND owner;
        UINT type;
        QMessageBox::StandardButton press;
        int result;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        Qt::WindowModality modality;
    } cases[] = {
        {"warning with OK", owner.GetSafeHwnd(), MB_OK | MB_ICONEXCLAMATION, QMessageBox::Ok, IDOK,
         QMessageBox::Warning, QMessageBox::Ok, Qt::WindowModal},
        {"question, No", owner.GetSafeHwnd(), MB_YESNO | MB_ICONQUESTION, QMessageBox::No, IDNO,
         QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, Qt::WindowModal},
        {"closed OK/Cancel box", nullptr, MB_OKCANCEL | MB_ICONSTOP, QMessageBox::NoButton,
         IDCANCEL, QMessageBox::Critical, QMessageBox::Ok | QMessageBox::Cancel,
         Qt::ApplicationModal},
        {"system modal", owner.GetSafeHwnd(), MB_OK | MB_SYSTEMMODAL | MB_ICONINFORMATION,
         QMessageBox::Ok, IDOK, QMessageBox::Information, QMessageBox::Ok, Qt::ApplicationModal},
    };
    for (const auto& c : cases) {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        Qt::WindowModality modality = Qt::NonModal;
        answerMessageBox(c.press, &title, &text, &icon, &buttons, &modality);
        const MessageBoxCall call{c.owner,
                                  "Could not read skyvista;\r\nperhaps try again after "
                                  "inserting CD-ROM.",
                                  "Skyvista: Demo \xA9", c.type};
        EXPECT_EQ(showQtMessageBox(call), c.result) << c.label;
        EXPECT_EQ(title, QString::fromUtf8("Skyvista: Demo \xC2\xA9")) << c.label;
        EXPECT_EQ(text, QStringLiteral("Could not read skyvista;\nperhaps try again after "
                                       "inserting CD-ROM."))
            << c.label;
        EXPECT_EQ(icon, c.icon) << c.label;
        EXPECT_EQ(buttons, c.buttons) << c.label;
        EXPECT_EQ(modality, c.modality) << c.label;
    }
}

// The owner destroyed while its box is open takes the box with it: the box answers as closed.
TEST_F(ApplicationTest, AnOwnerDestroyedWhileItsMessageBoxIsOpen) {
    RecordingWindow owner;
    ASSERT_TRUE(owner.createTopLevel());
    test::runQueued([&] { owner.DestroyWindow(); });
    const MessageBoxCall call{owner.GetSafeHwnd(), "Unable to draw map", "Skyvista",
                              MB_OKCANCEL | MB_ICONEXCLAMATION};
    EXPECT_EQ(showQtMessageBox(call), IDCANCEL);
}

TEST_F(ApplicationTest, WindowServicesReachTheLayersWindows) {
    WindowServices* services = windowServices();
    RecordingWindow window;
    ASSERT_TRUE(window.createTopLevel());
    window.UpdateWindow();
    test::processEvents();
    window.paintRects.clear();
    window.erases = 0;
    const HWND handle = window.GetSafeHwnd();
    EXPECT_TRUE(services->IsWindow(handle));
    ASSERT_NE(services->GetDC(handle), nullptr);
    EXPECT_EQ(services->GetDC(nullptr), nullptr);

    const Rect part{0, 0, 10, 10};
    services->InvalidateRect(handle, &part, TRUE);
    services->UpdateWindow(handle);
    ASSERT_EQ(window.paintRects.size(), 1u);
    EXPECT_EQ(window.paintRects[0], part);
    EXPECT_EQ(window.erases, 1);

    const Rect view{0, 0, 100, 50};
    services->ScrollWindow(handle, 0, -10, &view, &view);
    services->UpdateWindow(handle);
    ASSERT_EQ(window.paintRects.size(), 2u);
    EXPECT_EQ(window.paintRects[1], (Rect{0, 40, 100, 50}));

    services->RedrawWindow(handle, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
    ASSERT_EQ(window.paintRects.size(), 3u);
    Rect client;
    window.GetClientRect(&client);
    EXPECT_EQ(window.paintRects[2], client);

    window.DestroyWindow();
    EXPECT_FALSE(services->IsWindow(handle));
    services->InvalidateRect(handle, nullptr, TRUE); // a dead handle is ignored
}
