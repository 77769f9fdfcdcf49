// The command bar on the offscreen platform: layout in both modes and by screen width, the text
// line and its repaints, the copyright conversion, the pictures each button state shows, failures
// while the bar initialises, tooltips, command forwarding, background and closing.
#include "hotspots/dlg_bar.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include "imaging/cmemdib.h"
#include "platform/core/palette.h"
#include "platform/core/resources.h"
#include "platform/core/system_metrics.h"
#include "platform/qt/dc.h"
#include "platform/qt/dialog_template.h"
#include "platform/qt/test_support.h"
#include "resources/command_bar_resources.h"

namespace {

using namespace platform;

constexpr COLORREF kBarColour = PALETTERGB(238, 232, 180);
constexpr UINT kMissingLocatorTemplate = 903;
constexpr UINT kNoCloseTemplate = 904;
constexpr UINT kCloseWithoutDownTemplate = 905;
constexpr UINT kMissingPrintMapTemplate = 906;

// The window a bar sits in: records the commands it is sent and close requests.
class OwnerWindow : public Window {
public:
    BOOL create(int width, int height) {
        return CreateEx(0, nullptr, "Skyvista: Demo Park", WS_POPUP | WS_VISIBLE,
                        Rect{0, 0, width, height}, nullptr);
    }
    std::vector<std::pair<WPARAM, LPARAM>> commands;
    int closeRequests = 0;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.emplace_back(wParam, lParam);
        return TRUE;
    }
    void OnClose() override { ++closeRequests; }
};

// A 256-colour palette that lacks the bar's colour: a 6 x 6 x 6 cube and greys.
void makeCubePalette(Palette& palette) {
    std::vector<unsigned char> record(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(record.data());
    log->palVersion = 0x300;
    log->palNumEntries = 256;
    int i = 0;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                log->palPalEntry[i++] = {BYTE(r * 51), BYTE(g * 51), BYTE(b * 51), 0};
    while (i < 256) {
        const BYTE grey = BYTE((i - 216) * 6 + 8);
        log->palPalEntry[i++] = {grey, grey, grey, 0};
    }
    ASSERT_TRUE(palette.CreatePalette(log));
}

// A registered bitmap resource as the screen shows it on a true-colour display.
QImage faceImage(const char* name) {
    Cmemdib dib;
    EXPECT_TRUE(dib.LoadBitmapResource(name, name, FALSE, nullptr, nullptr, TRUE, ""));
    QImage image(dib.width(), dib.height(), QImage::Format_RGB32);
    const RGBQUAD* table = dib.colourTable();
    for (int y = 0; y < dib.height(); ++y)
        for (int x = 0; x < dib.width(); ++x) {
            const RGBQUAD& c =
                table[dib.bits()[std::size_t(dib.height() - 1 - y) * dib.stride() + x]];
            image.setPixel(x, y, qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue));
        }
    return image;
}

int differingPixels(const QImage& shown, const QImage& expected) {
    if (shown.size() != expected.size()) return shown.width() * shown.height() + 1;
    int count = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (test::pixelAt(shown, x, y) != (expected.pixel(x, y) & 0xFFFFFFu)) ++count;
    return count;
}

bool isInk(unsigned rgb) {
    const int r = int(rgb >> 16 & 0xFF), g = int(rgb >> 8 & 0xFF), b = int(rgb & 0xFF);
    return r * 30 + g * 59 + b * 11 < 100 * 100;
}

// The bounding box of the dark pixels of an image inside an area (empty when there are none).
Rect inkBox(const QImage& image, const Rect& area) {
    Rect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int y = std::max(area.top, 0); y < std::min(area.bottom, image.height()); ++y)
        for (int x = std::max(area.left, 0); x < std::min(area.right, image.width()); ++x)
            if (isInk(test::pixelAt(image, x, y))) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box.isEmpty() ? Rect{} : box;
}

Rect rectIn(const Window& window, const Window& container) {
    Rect r;
    window.GetWindowRect(&r);
    container.ScreenToClient(&r);
    return r;
}

class DlgBarTest : public test::GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        resources::registerCommandBarResources();
        makeCubePalette(palette);
        registerBrokenTemplates();
    }

    // Copies of template 103 with a picture or a control missing.
    void registerBrokenTemplates() {
        const DialogTemplate* bar = findDialogTemplate(CDlgBar::kTemplateId);
        ASSERT_NE(bar, nullptr);
        auto withText = [&](UINT id, int control, const char* text) {
            DialogTemplate copy = *bar;
            copy.id = id;
            for (DialogItemTemplate& item : copy.items)
                if (item.id == control) item.text = text;
            registerDialogTemplate(copy);
        };
        withText(kMissingLocatorTemplate, CDlgBar::kLocatorId, "IDB_NOSUCH");
        withText(kMissingPrintMapTemplate, CDlgBar::kPrintMapId, "IDB_NOSUCH");
        withText(kCloseWithoutDownTemplate, CDlgBar::kCloseId, "IDB_ONLYUP");
        DialogTemplate noClose = *bar;
        noClose.id = kNoCloseTemplate;
        std::erase_if(noClose.items,
                      [](const DialogItemTemplate& item) { return item.id == CDlgBar::kCloseId; });
        registerDialogTemplate(noClose);
        // A face that has an up picture only.
        const HRSRC close = FindResourceA(AfxGetInstanceHandle(), "IDB_CLOSECMDU", RT_BITMAP);
        ASSERT_NE(close, nullptr);
        AfxGetInstanceHandle()->add("IDB_ONLYUPU", RT_BITMAP, LockResource(close),
                                    SizeofResource(AfxGetInstanceHandle(), close));
    }

    // Creates the owner covering a screen of the width and a bar placed as its owner places it.
    std::unique_ptr<CDlgBar> makeBar(int mode, int screenWidth, UINT templateId = 103,
                                     BOOL useSystemBackground = FALSE) {
        test::setScreenSize(screenWidth, screenWidth * 3 / 4);
        if (!owner.exists()) {
            EXPECT_TRUE(owner.create(screenWidth, screenWidth * 3 / 4));
        }
        auto bar = std::make_unique<CDlgBar>(mode, &palette, kBarColour, useSystemBackground,
                                             mode == CDlgBar::kPanoramaMode ? TRUE : FALSE);
        bar->setPlacement(placementFor(mode, screenWidth));
        created = bar->Create(templateId, &owner);
        return bar;
    }

    static Rect placementFor(int mode, int screenWidth) {
        const int height = screenWidth * 3 / 4;
        if (mode == CDlgBar::kPanoramaMode)
            return Rect{0, height - CDlgBar::kPanoramaHeight, screenWidth, height};
        const int barHeight = CDlgBar::visitorCenterHeight();
        return Rect{screenWidth - 20 - CDlgBar::kVisitorCenterWidth, height - 20 - barHeight,
                    screenWidth - 20, height - 20};
    }

    Palette palette;
    OwnerWindow owner;
    BOOL created = FALSE;
};

TEST_F(DlgBarTest, ThePanoramaBarLaysOutItsButtonsAndTextByScreenWidth) {
    struct Case {
        int screenWidth;
        Rect locator, features, close, text;
    };
    // Margins 15 and gap 10 below 800 pixels, 18 and 12 from 800 on; vertical margin 4.
    const Case cases[] = {
        {640, {15, 4, 45, 30}, {55, 4, 210, 30}, {533, 4, 625, 30}, {225, 4, 518, 30}},
        {799, {15, 4, 45, 30}, {55, 4, 210, 30}, {692, 4, 784, 30}, {225, 4, 677, 30}},
        {800, {18, 4, 48, 30}, {60, 4, 215, 30}, {690, 4, 782, 30}, {233, 4, 672, 30}},
        {1024, {18, 4, 48, 30}, {60, 4, 215, 30}, {914, 4, 1006, 30}, {233, 4, 896, 30}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screenWidth);
        auto bar = makeBar(CDlgBar::kPanoramaMode, c.screenWidth);
        ASSERT_TRUE(created);
        EXPECT_EQ(rectIn(*bar, owner), placementFor(CDlgBar::kPanoramaMode, c.screenWidth));
        EXPECT_EQ(bar->clientRect(), (Rect{0, 0, c.screenWidth, 36}));
        EXPECT_EQ(bar->buttonRect(CDlgBar::kLocatorId), c.locator);
        EXPECT_EQ(bar->buttonRect(CDlgBar::kFeaturesId), c.features);
        EXPECT_EQ(bar->buttonRect(CDlgBar::kCloseId), c.close);
        EXPECT_EQ(bar->textRect(), c.text);
        // The buttons are where the layout put them, sized to their pictures.
        for (UINT id : {CDlgBar::kLocatorId, CDlgBar::kFeaturesId, CDlgBar::kCloseId}) {
            ASSERT_NE(bar->GetDlgItem(int(id)), nullptr);
            EXPECT_EQ(rectIn(*bar->GetDlgItem(int(id)), *bar), bar->buttonRect(id));
            Rect screen = bar->buttonRect(id);
            bar->ClientToScreen(&screen);
            EXPECT_EQ(bar->buttonScreenRect(id), screen);
        }
        EXPECT_EQ(bar->GetDlgItem(int(CDlgBar::kPrintMapId)), nullptr);
        EXPECT_EQ(bar->GetDlgItem(int(CDlgBar::kPrintTextId)), nullptr);
        EXPECT_EQ(bar->buttonScreenRect(CDlgBar::kPrintMapId), Rect{});
        bar.reset();
        owner.DestroyWindow();
    }
}

TEST_F(DlgBarTest, TheVisitorCenterBarIsARightAlignedColumnWithoutText) {
    struct Case {
        int screenWidth;
        int height;
        Rect printMap, printText, close;
    };
    const Case cases[] = {
        {640, 112, {0, 14, 92, 40}, {0, 50, 92, 76}, {0, 86, 92, 112}},
        {799, 112, {0, 14, 92, 40}, {0, 50, 92, 76}, {0, 86, 92, 112}},
        {800, 116, {0, 14, 92, 40}, {0, 52, 92, 78}, {0, 90, 92, 116}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screenWidth);
        auto bar = makeBar(CDlgBar::kVisitorCenterMode, c.screenWidth);
        ASSERT_TRUE(created);
        EXPECT_EQ(CDlgBar::visitorCenterHeight(), c.height);
        EXPECT_EQ(bar->clientRect(), (Rect{0, 0, 92, c.height}));
        EXPECT_EQ(bar->buttonRect(CDlgBar::kPrintMapId), c.printMap);
        EXPECT_EQ(bar->buttonRect(CDlgBar::kPrintTextId), c.printText);
        EXPECT_EQ(bar->buttonRect(CDlgBar::kCloseId), c.close);
        EXPECT_TRUE(bar->textRect().isEmpty());
        for (UINT id : {CDlgBar::kPrintMapId, CDlgBar::kPrintTextId, CDlgBar::kCloseId})
            EXPECT_EQ(rectIn(*bar->GetDlgItem(int(id)), *bar), bar->buttonRect(id));
        EXPECT_EQ(bar->GetDlgItem(int(CDlgBar::kLocatorId)), nullptr);
        EXPECT_EQ(bar->GetDlgItem(int(CDlgBar::kFeaturesId)), nullptr);

        // No text line, even when text is set: nothing dark outside the buttons.
        bar->SetBarText("Lookout Point", FALSE);
        test::processEvents();
        const QImage shown = test::grabClient(*bar);
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const Point p{x, y};
                if (c.printMap.contains(p) || c.printText.contains(p) || c.close.contains(p))
                    continue;
                ASSERT_FALSE(isInk(test::pixelAt(shown, x, y))) << x << "," << y;
            }
        bar.reset();
        owner.DestroyWindow();
    }
}

TEST_F(DlgBarTest, SetBarTextRepaintsOnlyWhenTheGivenTextDiffersFromTheHeldOne) {
    auto bar = makeBar(CDlgBar::kPanoramaMode, 800);
    ASSERT_TRUE(created);
    test::processEvents();
    struct Step {
        const char* text;
        BOOL convert;
        const char* held;
        bool repaint;
    };
    const Step steps[] = {
        {"Lookout Point", FALSE, "Lookout Point", true},
        {"Lookout Point", FALSE, "Lookout Point", false},
        {"Lookout Point", TRUE, "Lookout Point", false},
        // A converted text is held converted, so giving it again is a change every time.
        {"(C) 1999 Corvane", TRUE, "\xA9 1999 Corvane", true},
        {"(C) 1999 Corvane", TRUE, "\xA9 1999 Corvane", true},
        {"\xA9 1999 Corvane", TRUE, "\xA9 1999 Corvane", false},
        {"c1999 Corvane", TRUE,
         "\xA9"
         "1999 Corvane",
         true},
        {"(C) 1999 Corvane", FALSE, "(C) 1999 Corvane", true},
        {"(C) 1999 Corvane", FALSE, "(C) 1999 Corvane", false},
        {"", FALSE, "", true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.text);
        test::MessageLog log;
        bar->SetBarText(s.text, s.convert);
        EXPECT_EQ(bar->barText(), s.held);
        Rect update;
        EXPECT_EQ(bar->GetUpdateRect(&update) != FALSE, s.repaint);
        test::processEvents();
        const std::vector<UINT> got = log.numbers(bar->GetSafeHwnd());
        const auto count = [&](UINT message) {
            return std::count(got.begin(), got.end(), message);
        };
        if (s.repaint) {
            EXPECT_EQ(update, bar->clientRect()) << "the whole bar";
            EXPECT_EQ(count(WM_ERASEBKGND), 1) << "with erasing";
            EXPECT_EQ(count(WM_PAINT), 1);
        } else {
            EXPECT_EQ(count(WM_PAINT), 0);
        }
    }
}

TEST_F(DlgBarTest, ConvertCopyrightReplacesOnlyALeadingLowerCaseCOrParenthesisedC) {
    struct Case {
        const char* label;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"c and a year", "c1999 Corvane",
         "\xA9"
         "1999 Corvane"},
        {"c and a blank", "c 1999", "\xA9 1999"},
        {"two characters", "cx", "\xA9x"},
        {"(C)", "(C) 1999 Corvane", "\xA9 1999 Corvane"},
        {"(c)", "(c)1999",
         "\xA9"
         "1999"},
        {"four characters", "(C)x", "\xA9x"},
        {"any word starting with c", "courtesy of the park", "\xA9ourtesy of the park"},
        {"capital C", "Courtesy of the park", "Courtesy of the park"},
        {"capital C and a year", "C1999", "C1999"},
        {"c alone", "c", "c"},
        {"(C) alone", "(C)", "(C)"},
        {"(c) alone", "(c)", "(c)"},
        {"empty", "", ""},
        {"brackets", "[C] 1999", "[C] 1999"},
        {"unclosed", "(C 1999", "(C 1999"},
        {"not at the start", " (C) 1999", " (C) 1999"},
        {"already converted", "\xA9 1999", "\xA9 1999"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CDlgBar::ConvertCopyright(c.text), c.expected) << c.label;
}

TEST_F(DlgBarTest, ButtonsShowUpDownAndDisabledPicturesByTheirState) {
    auto bar = makeBar(CDlgBar::kVisitorCenterMode, 800);
    ASSERT_TRUE(created);
    test::processEvents();
    Window* printMap = bar->GetDlgItem(int(CDlgBar::kPrintMapId));
    Window* printText = bar->GetDlgItem(int(CDlgBar::kPrintTextId));
    Window* close = bar->GetDlgItem(int(CDlgBar::kCloseId));
    ASSERT_TRUE(printMap && printText && close);
    // The faces differ, so each comparison tells the pictures apart.
    ASSERT_GT(differingPixels(faceImage("IDB_PRINTMAPU"), faceImage("IDB_PRINTMAPX")), 100);
    ASSERT_GT(differingPixels(faceImage("IDB_CLOSECMDU"), faceImage("IDB_CLOSECMDD")), 100);

    EXPECT_EQ(differingPixels(test::grabClient(*printMap), faceImage("IDB_PRINTMAPU")), 0);
    EXPECT_EQ(differingPixels(test::grabClient(*close), faceImage("IDB_CLOSECMDU")), 0);

    // Disabled by the owner: Print map and Print text show their X pictures, Close its up one.
    EXPECT_TRUE(bar->enableButton(CDlgBar::kPrintMapId, FALSE));
    EXPECT_TRUE(bar->enableButton(CDlgBar::kPrintTextId, FALSE));
    EXPECT_TRUE(bar->enableButton(CDlgBar::kCloseId, FALSE));
    EXPECT_FALSE(bar->enableButton(CDlgBar::kLocatorId, FALSE)) << "not in this mode";
    test::processEvents();
    EXPECT_EQ(differingPixels(test::grabClient(*printMap), faceImage("IDB_PRINTMAPX")), 0);
    EXPECT_EQ(differingPixels(test::grabClient(*printText), faceImage("IDB_PRINTTEXTX")), 0);
    EXPECT_EQ(differingPixels(test::grabClient(*close), faceImage("IDB_CLOSECMDU")), 0);

    // Pressed: the down picture, until the button is released.
    bar->enableButton(CDlgBar::kCloseId, TRUE);
    bar->enableButton(CDlgBar::kPrintMapId, TRUE);
    QTest::mousePress(close->clientWidget(), Qt::LeftButton, {}, QPoint(20, 10));
    test::processEvents();
    EXPECT_EQ(differingPixels(test::grabClient(*close), faceImage("IDB_CLOSECMDD")), 0);
    QTest::mouseRelease(close->clientWidget(), Qt::LeftButton, {}, QPoint(20, 10));
    test::processEvents();
    EXPECT_EQ(differingPixels(test::grabClient(*close), faceImage("IDB_CLOSECMDU")), 0);
    QTest::mousePress(printMap->clientWidget(), Qt::LeftButton, {}, QPoint(20, 10));
    test::processEvents();
    EXPECT_EQ(differingPixels(test::grabClient(*printMap), faceImage("IDB_PRINTMAPD")), 0);
    QTest::mouseRelease(printMap->clientWidget(), Qt::LeftButton, {}, QPoint(20, 10));
}

TEST_F(DlgBarTest, AButtonThatCannotBeMadeClosesTheOwnerAndTheBarDestroysItself) {
    struct Case {
        const char* label;
        int mode;
        UINT templateId;
        std::vector<std::string> texts;
        bool ownedByParent; // the palette-aware box; else a plain box without owner
    };
    const Case cases[] = {
        {"Locator's pictures missing",
         CDlgBar::kPanoramaMode,
         kMissingLocatorTemplate,
         {"IDB_NOSUCHU\ncould not find resource", "IDB_NOSUCHD\ncould not find resource"},
         false},
        {"Print map's pictures missing",
         CDlgBar::kVisitorCenterMode,
         kMissingPrintMapTemplate,
         {"IDB_NOSUCHU\ncould not find resource", "IDB_NOSUCHD\ncould not find resource",
          "IDB_NOSUCHX\ncould not find resource"},
         true},
        {"Close control missing", CDlgBar::kPanoramaMode, kNoCloseTemplate, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        boxes->clear();
        auto bar = makeBar(c.mode, 800, c.templateId);
        EXPECT_FALSE(created);
        EXPECT_FALSE(bar->exists());
        EXPECT_EQ(boxes->texts(), c.texts);
        for (const MessageBoxCall& call : boxes->calls()) {
            EXPECT_EQ(call.caption, "Skyvista: Demo Park");
            EXPECT_EQ(call.type, MB_ICONWARNING);
            EXPECT_EQ(call.owner, c.ownedByParent ? owner.GetSafeHwnd() : nullptr);
        }
        MSG posted;
        EXPECT_TRUE(PeekMessage(&posted, owner.GetSafeHwnd(), WM_CLOSE, WM_CLOSE, PM_NOREMOVE));
        test::processEvents();
        EXPECT_EQ(owner.closeRequests, 1);
        bar.reset();
        owner.DestroyWindow();
        owner.closeRequests = 0;
    }
}

TEST_F(DlgBarTest, AMissingDownPictureIsReportedButTheButtonShowsItsUpPicture) {
    auto bar = makeBar(CDlgBar::kPanoramaMode, 800, kCloseWithoutDownTemplate);
    ASSERT_TRUE(created);
    EXPECT_EQ(boxes->texts(), (std::vector<std::string>{"IDB_ONLYUPD\ncould not find resource"}));
    test::processEvents();
    Window* close = bar->GetDlgItem(int(CDlgBar::kCloseId));
    QTest::mousePress(close->clientWidget(), Qt::LeftButton, {}, QPoint(20, 10));
    test::processEvents();
    EXPECT_EQ(differingPixels(test::grabClient(*close), faceImage("IDB_CLOSECMDU")), 0);
    QTest::mouseRelease(close->clientWidget(), Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(owner.closeRequests, 0);
}

TEST_F(DlgBarTest, EachButtonHasItsTooltipFromTheStringTable) {
    struct Case {
        int mode;
        UINT id;
        const char* tip;
    };
    const Case cases[] = {
        {CDlgBar::kPanoramaMode, CDlgBar::kLocatorId,
         "Display the locator map to show where the skyvista is"},
        {CDlgBar::kPanoramaMode, CDlgBar::kFeaturesId, "Display a menu for further choices"},
        {CDlgBar::kPanoramaMode, CDlgBar::kCloseId, "Close the skyvista"},
        {CDlgBar::kVisitorCenterMode, CDlgBar::kPrintMapId, "Print the map shown now"},
        {CDlgBar::kVisitorCenterMode, CDlgBar::kPrintTextId, "Print the text shown now"},
        {CDlgBar::kVisitorCenterMode, CDlgBar::kCloseId, "Close the multimedia visitor center"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tip);
        auto bar = makeBar(c.mode, 800);
        ASSERT_TRUE(created);
        EXPECT_TRUE(bar->toolTips().exists());
        Window* button = bar->GetDlgItem(int(c.id));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(bar->toolTips().GetText(button), c.tip);
        EXPECT_EQ(button->clientWidget()->toolTip().toStdString(), c.tip);
        // Tips show even while the window is not active.
        EXPECT_TRUE(owner.frameWidget()->testAttribute(Qt::WA_AlwaysShowToolTips));
        bar.reset();
        owner.DestroyWindow();
    }
}

TEST_F(DlgBarTest, CommandsWithNotificationZeroGoOnToTheOwnerUnchanged) {
    auto bar = makeBar(CDlgBar::kPanoramaMode, 800);
    ASSERT_TRUE(created);
    test::processEvents();
    Window* features = bar->GetDlgItem(int(CDlgBar::kFeaturesId));
    QTest::mouseClick(features->clientWidget(), Qt::LeftButton, {}, QPoint(30, 10));
    const LPARAM handle = reinterpret_cast<LPARAM>(features->GetSafeHwnd());
    bar->SendMessage(WM_COMMAND, MAKEWPARAM(CDlgBar::kLocatorId, 1), handle);
    bar->SendMessage(WM_COMMAND, MAKEWPARAM(32773, 0), 0);
    bar->SendMessage(WM_COMMAND, MAKEWPARAM(CDlgBar::kCloseId, 5), handle);
    using Command = std::pair<WPARAM, LPARAM>;
    EXPECT_EQ(owner.commands, (std::vector<Command>{{MAKEWPARAM(CDlgBar::kFeaturesId, 0), handle},
                                                    {MAKEWPARAM(32773, 0), 0}}));
    EXPECT_TRUE(bar->exists());
}

TEST_F(DlgBarTest, TheTextIsCentredInItsRectangleInAFontOfHalfItsHeight) {
    auto bar = makeBar(CDlgBar::kPanoramaMode, 800);
    ASSERT_TRUE(created);
    bar->SetBarText("Lookout Point", FALSE);
    test::processEvents();
    const QImage shown = test::grabClient(*bar);
    const Rect text = bar->textRect();
    const Rect ink = inkBox(shown, Rect{0, 0, shown.width(), shown.height()}.intersect(text));
    ASSERT_FALSE(ink.isEmpty());
    // Nothing dark between the buttons other than the text.
    EXPECT_EQ(inkBox(shown, Rect{text.left, 0, text.right, 36}), ink);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, (text.left + text.right) / 2.0, 1.5);
    // Top a quarter of the rectangle's height down; the font's cell is half its height (13).
    EXPECT_GE(ink.top, text.top + text.height() / 4);
    EXPECT_LE(ink.bottom, text.top + text.height() / 4 + 13);
    EXPECT_GE(ink.height(), 8) << "a 13-pixel font";
}

TEST_F(DlgBarTest, TheCopyrightSignOfWindows1252IsShownAsTheCopyrightGlyph) {
    auto bar = makeBar(CDlgBar::kPanoramaMode, 800);
    ASSERT_TRUE(created);
    bar->SetBarText("c", FALSE);
    bar->SetBarText("\xA9", FALSE);
    test::processEvents();
    const QImage shown = test::grabClient(*bar);
    const Rect ink = inkBox(shown, bar->textRect());
    ASSERT_FALSE(ink.isEmpty());

    // The same font drawing the character U+00A9 directly.
    Font font;
    ASSERT_TRUE(font.CreateFont(13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_STRING_PRECIS,
                                CLIP_CHARACTER_PRECIS, PROOF_QUALITY, DEFAULT_PITCH,
                                "MS Sans Serif"));
    QImage expected(40, 40, QImage::Format_RGB32);
    expected.fill(qRgb(238, 232, 180));
    {
        QPainter painter(&expected);
        painter.setFont(font.qfont());
        painter.setPen(Qt::black);
        painter.drawText(QPoint(10, 30), QString(QChar(0xA9)));
    }
    const Rect glyph = inkBox(expected, Rect{0, 0, 40, 40});
    ASSERT_FALSE(glyph.isEmpty());
    EXPECT_EQ(ink.width(), glyph.width());
    EXPECT_EQ(ink.height(), glyph.height());
    int mismatches = 0;
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x)
            if (isInk(test::pixelAt(shown, ink.left + x, ink.top + y)) !=
                isInk(test::pixelAt(expected, glyph.left + x, glyph.top + y)))
                ++mismatches;
    EXPECT_LE(mismatches, glyph.width() * glyph.height() / 10);
}

TEST_F(DlgBarTest, TheBackgroundIsTheBarColourThroughThePaletteOrTheDialogColour) {
    struct Case {
        const char* label;
        bool paletteDisplay;
        BOOL useSystemBackground;
        unsigned expected;
    };
    const Case cases[] = {
        {"true colour", false, FALSE, 0xEEE8B4u},
        // On a 256-colour display the colour is the palette's nearest entry.
        {"palette display", true, FALSE, 0xFFFFCCu},
        {"system colour", false, TRUE, GetSysColor(COLOR_3DFACE) & 0xFFFFFFu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        setDisplayUsesPalette(c.paletteDisplay);
        auto bar =
            makeBar(CDlgBar::kPanoramaMode, 800, CDlgBar::kTemplateId, c.useSystemBackground);
        ASSERT_TRUE(created);
        test::processEvents();
        const QImage shown = test::grabClient(*bar);
        const unsigned rgb = c.expected;
        const unsigned expected = (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
        for (const Point p : {Point{2, 2}, Point{50, 33}, Point{400, 1}, Point{799, 35}})
            EXPECT_EQ(test::pixelAt(shown, p.x, p.y), c.useSystemBackground ? expected : rgb)
                << p.x << "," << p.y;
        bar.reset();
        owner.DestroyWindow();
    }
}

// Renders the bar as the owners show it and keeps the pictures as test artefacts
// ($PANORAMA_ARTEFACT_DIR, else the test's build folder): each button shows its face where the
// layout put it.
TEST_F(DlgBarTest, TheRenderedBarShowsEachFaceAtItsPlace) {
    struct Case {
        int mode;
        int screenWidth;
        const char* file;
        std::vector<std::pair<UINT, const char*>> faces;
    };
    const Case cases[] = {
        {CDlgBar::kPanoramaMode,
         640,
         "dlg_bar_640.png",
         {{CDlgBar::kLocatorId, "IDB_LOCATORU"},
          {CDlgBar::kFeaturesId, "IDB_FEATURESU"},
          {CDlgBar::kCloseId, "IDB_CLOSECMDU"}}},
        {CDlgBar::kPanoramaMode,
         800,
         "dlg_bar_800.png",
         {{CDlgBar::kLocatorId, "IDB_LOCATORU"},
          {CDlgBar::kFeaturesId, "IDB_FEATURESU"},
          {CDlgBar::kCloseId, "IDB_CLOSECMDU"}}},
        {CDlgBar::kVisitorCenterMode,
         800,
         "dlg_bar_visitor_center.png",
         {{CDlgBar::kPrintMapId, "IDB_PRINTMAPU"},
          {CDlgBar::kPrintTextId, "IDB_PRINTTEXTX"},
          {CDlgBar::kCloseId, "IDB_CLOSECMDU"}}},
    };
    const char* folder = std::getenv("PANORAMA_ARTEFACT_DIR");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto bar = makeBar(c.mode, c.screenWidth);
        ASSERT_TRUE(created);
        bar->SetBarText("(C) 1999 Corvane Scenic Tours", TRUE);
        bar->enableButton(CDlgBar::kPrintTextId, FALSE);
        test::processEvents();
        const QImage shown = test::grabClient(*bar);
        for (const auto& [id, face] : c.faces) {
            const Rect r = bar->buttonRect(id);
            EXPECT_EQ(
                differingPixels(shown.copy(r.left, r.top, r.width(), r.height()), faceImage(face)),
                0)
                << face;
        }
        const std::string path =
            std::string(folder ? folder : PANORAMA_TEST_ARTEFACT_DIR) + "/" + c.file;
        EXPECT_TRUE(shown.save(QString::fromStdString(path))) << path;
        bar.reset();
        owner.DestroyWindow();
    }
}

TEST_F(DlgBarTest, ACloseRequestDestroysTheBarOnly) {
    auto bar = makeBar(CDlgBar::kPanoramaMode, 800);
    ASSERT_TRUE(created);
    bar->SendMessage(WM_CLOSE);
    EXPECT_FALSE(bar->exists());
    EXPECT_TRUE(owner.exists());
    EXPECT_EQ(owner.closeRequests, 0);
    EXPECT_TRUE(owner.commands.empty()) << "not a cancel command to the owner";
    // The owner may make it again.
    ASSERT_TRUE(bar->Create(CDlgBar::kTemplateId, &owner));
    EXPECT_EQ(bar->buttonRect(CDlgBar::kCloseId), (Rect{690, 4, 782, 30}));
    EXPECT_EQ(bar->toolTips().GetText(bar->GetDlgItem(int(CDlgBar::kCloseId))),
              "Close the skyvista");
}

// The bitmap display window's use: a button whose one picture is a memory bitmap.
TEST_F(DlgBarTest, AButtonMadeFromAMemoryBitmapShowsItAtItsSize) {
    ASSERT_TRUE(owner.create(640, 480));
    CPaletteBitmapButton button(&palette);
    ASSERT_TRUE(button.Create("IDB_BMPBUTTON", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW,
                              Rect{10, 10, 300, 200}, &owner, 1011));
    Cmemdib empty;
    EXPECT_FALSE(button.LoadBitmapFromMemory(empty, owner.GetSafeHwnd(), FALSE, "Locator"));
    EXPECT_FALSE(button.SizeToContent());

    Cmemdib image;
    ASSERT_TRUE(
        image.LoadBitmapResource("IDB_FEATURESU", "map", FALSE, nullptr, nullptr, TRUE, ""));
    Palette noPalette;
    button.setPalette(&noPalette);
    EXPECT_FALSE(button.LoadBitmapFromMemory(image, owner.GetSafeHwnd(), FALSE, "Locator"))
        << "a palette that holds nothing";
    button.setPalette(&palette);
    ASSERT_TRUE(button.LoadBitmapFromMemory(image, owner.GetSafeHwnd(), FALSE, "Locator"));
    image.Reset();
    EXPECT_EQ(button.bitmapWidth(), 155);
    EXPECT_EQ(button.bitmapHeight(), 26);
    EXPECT_FALSE(button.hasDownPicture());
    ASSERT_TRUE(button.SizeToContent());
    EXPECT_EQ(rectIn(button, owner), (Rect{10, 10, 165, 36}));
    test::processEvents();
    EXPECT_EQ(differingPixels(test::grabClient(button), faceImage("IDB_FEATURESU")), 0);
    EXPECT_TRUE(boxes->calls().empty());
}

} // namespace
