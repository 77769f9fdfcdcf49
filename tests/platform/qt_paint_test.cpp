// Drawing with the Qt layer: invalidation with and without erasing, scrolling that repaints only
// the uncovered strip, client drawing outside WM_PAINT, the stretch blit, palette mapping, pens,
// memory bitmaps, text metrics, palette notifications and printer pages.
#include "platform/core/palette.h"
#include "platform/core/palette_message_box.h"
#include "platform/core/system_metrics.h"
#include "platform/qt/controls.h"
#include "platform/qt/dc.h"
#include "platform/qt/print_dialog.h"
#include "platform/qt/resources.h"
#include "platform/qt/test_support.h"
#include "qt_test_windows.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <vector>

using namespace platform;
using platform::test::GuiTest;
using platform::test::pixelAt;

namespace {

class PaintTest : public GuiTest {};

constexpr unsigned rgb(int r, int g, int b) {
    return unsigned(r << 16 | g << 8 | b);
}

// A bottom-up 8-bit DIB whose pixel (x, row-from-top y) has colour index y * width + x, and whose
// table entry i is (i * 20, 255 - i * 20, 7).
struct TestDib {
    int width, height;
    std::vector<unsigned char> block;
    TestDib(int w, int h) : width(w), height(h) {
        const int stride = (w + 3) / 4 * 4;
        block.assign(40 + 256 * 4 + std::size_t(stride) * h, 0);
        BITMAPINFOHEADER header{};
        header.biSize = 40;
        header.biWidth = w;
        header.biHeight = h;
        header.biPlanes = 1;
        header.biBitCount = 8;
        std::memcpy(block.data(), &header, sizeof header);
        auto* table = reinterpret_cast<RGBQUAD*>(block.data() + 40);
        for (int i = 0; i < 256; ++i)
            table[i] = RGBQUAD{7, BYTE(255 - i * 20), BYTE(i * 20), 0};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                block[40 + 1024 + std::size_t(h - 1 - y) * stride + x] = BYTE(y * w + x);
    }
    const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(block.data()); }
    const void* bits() const { return block.data() + 40 + 1024; }
    static unsigned colourOf(int index) {
        return rgb((index * 20) & 255, (255 - index * 20) & 255, 7);
    }
};

std::unique_ptr<Palette> makePalette(std::initializer_list<PALETTEENTRY> entries) {
    std::vector<unsigned char> record(4 + entries.size() * 4);
    auto* lp = reinterpret_cast<LOGPALETTE*>(record.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = WORD(entries.size());
    std::memcpy(lp->palPalEntry, entries.begin(), entries.size() * 4);
    auto palette = std::make_unique<Palette>();
    EXPECT_TRUE(palette->CreatePalette(lp));
    return palette;
}

// A shown window whose first paint filled its client area blue; counters cleared.
void makeBlueWindow(RecordingWindow& window, Rect rect = {100, 100, 420, 340}) {
    window.paint = [&window](PaintDC& dc) {
        Rect client;
        window.GetClientRect(&client);
        dc.FillSolidRect(client, RGB(0, 0, 255));
    };
    ASSERT_TRUE(window.createTopLevel(rect));
    window.UpdateWindow();
    test::processEvents();
    window.paint = nullptr;
    window.paintRects.clear();
    window.erases = 0;
}

} // namespace

TEST_F(PaintTest, InvalidatingWithEraseErasesBeforeThePaintAndWithoutItKeepsThePixels) {
    RecordingWindow window;
    makeBlueWindow(window);
    const unsigned face =
        rgb(GetRValue(GetSysColor(COLOR_3DFACE)), GetGValue(GetSysColor(COLOR_3DFACE)),
            GetBValue(GetSysColor(COLOR_3DFACE)));

    const Rect keep{10, 10, 40, 30};
    window.InvalidateRect(&keep, FALSE);
    Rect update;
    EXPECT_TRUE(window.GetUpdateRect(&update));
    EXPECT_EQ(update, keep);
    window.UpdateWindow();
    EXPECT_EQ(window.erases, 0);
    ASSERT_EQ(window.paintRects.size(), 1u);
    EXPECT_EQ(window.paintRects[0], keep);
    EXPECT_FALSE(window.GetUpdateRect(&update));
    QImage pixels = test::grabClient(window);
    EXPECT_EQ(pixelAt(pixels, 20, 20), rgb(0, 0, 255)) << "not erased: the old pixels stay";

    const Rect erase{50, 10, 80, 30};
    window.InvalidateRect(&erase, TRUE);
    window.UpdateWindow();
    EXPECT_EQ(window.erases, 1);
    ASSERT_EQ(window.paintRects.size(), 2u);
    EXPECT_EQ(window.paintRects[1], erase);
    pixels = test::grabClient(window);
    EXPECT_EQ(pixelAt(pixels, 60, 20), face) << "erased with the class background";
    EXPECT_EQ(pixelAt(pixels, 20, 20), rgb(0, 0, 255));
    EXPECT_EQ(pixelAt(pixels, 81, 20), rgb(0, 0, 255)) << "outside the update region";

    window.UpdateWindow();
    EXPECT_EQ(window.paintRects.size(), 2u) << "nothing is invalid: no paint";
}

TEST_F(PaintTest, PaintingValidatesTheUpdateRegionUnderChildWindowsToo) {
    RecordingWindow window;
    makeBlueWindow(window);
    RecordingWindow child;
    ASSERT_TRUE(child.createChild(window, Rect{10, 10, 60, 40}));
    test::processEvents();
    window.paintRects.clear();
    window.Invalidate(TRUE);
    test::processEvents();
    ASSERT_EQ(window.paintRects.size(), 1u);
    Rect update;
    EXPECT_FALSE(window.GetUpdateRect(&update)) << "nothing is left to paint";
    window.UpdateWindow();
    EXPECT_EQ(window.paintRects.size(), 1u);
}

TEST_F(PaintTest, ScrollWindowThenUpdateWindowPaintsOnlyTheUncoveredStrip) {
    RecordingWindow window;
    int offset = 0;
    // Column x shows red (x + offset) & 255: the picture moves when offset does.
    window.paint = [&](PaintDC& dc) {
        for (int x = dc.m_ps.rcPaint.left; x < dc.m_ps.rcPaint.right; ++x)
            dc.FillSolidRect(Rect{x, dc.m_ps.rcPaint.top, x + 1, dc.m_ps.rcPaint.bottom},
                             RGB(BYTE((x + offset) & 255), 0, 0));
    };
    ASSERT_TRUE(window.createTopLevel(Rect{50, 50, 400, 250}));
    window.UpdateWindow();
    test::processEvents();
    window.paintRects.clear();
    window.erases = 0;

    const Rect view{20, 10, 220, 110};
    offset = 30;
    window.ScrollWindow(-30, 0, &view, &view);
    window.UpdateWindow();
    ASSERT_EQ(window.paintRects.size(), 1u);
    EXPECT_EQ(window.paintRects[0], (Rect{190, 10, 220, 110})) << "the strip only";
    EXPECT_EQ(window.erases, 1) << "the uncovered strip is erased first";

    const QImage pixels = test::grabClient(window);
    for (int x : {20, 100, 189, 190, 219})
        EXPECT_EQ(pixelAt(pixels, x, 50), rgb((x + 30) & 255, 0, 0)) << "x = " << x;
    EXPECT_EQ(pixelAt(pixels, 10, 50), rgb(10, 0, 0)) << "left of the scrolled rectangle";
    EXPECT_EQ(pixelAt(pixels, 100, 5), rgb(100, 0, 0)) << "above it";
}

TEST_F(PaintTest, ClientContextDrawingIsVisibleAtOnceWithoutAPaint) {
    RecordingWindow window;
    makeBlueWindow(window);
    {
        ClientDC dc(&window);
        dc.FillSolidRect(Rect{5, 5, 15, 15}, RGB(0, 255, 0));
        Pen pen(PS_SOLID, 1, RGB(255, 0, 0));
        dc.SelectObject(&pen);
        dc.MoveTo(20, 8);
        dc.LineTo(30, 8);
    }
    EXPECT_TRUE(window.paintRects.empty());
    const QImage pixels = test::grabClient(window);
    EXPECT_EQ(pixelAt(pixels, 10, 10), rgb(0, 255, 0));
    EXPECT_EQ(pixelAt(pixels, 16, 10), rgb(0, 0, 255));
    EXPECT_EQ(pixelAt(pixels, 20, 8), rgb(255, 0, 0));
    EXPECT_EQ(pixelAt(pixels, 29, 8), rgb(255, 0, 0));
    EXPECT_EQ(pixelAt(pixels, 30, 8), rgb(0, 0, 255)) << "LineTo leaves out its end point";

    // Drawing does not take the place of a repaint that was asked for before it.
    const Rect asked{40, 40, 60, 60};
    window.InvalidateRect(&asked, FALSE);
    ClientDC(&window).FillSolidRect(Rect{5, 5, 15, 15}, RGB(0, 255, 0));
    test::processEvents();
    ASSERT_FALSE(window.paintRects.empty());
    EXPECT_EQ(window.paintRects.back(), asked);

    window.ShowWindow(SW_HIDE);
    ClientDC hidden(&window);
    hidden.FillSolidRect(Rect{0, 0, 50, 50}, RGB(255, 255, 0)); // lost, as on the platform
    window.ShowWindow(SW_SHOW);
}

TEST_F(PaintTest, StretchDIBitsDrawsTheDibThroughAWindowPaint) {
    const TestDib dib(4, 3);
    RecordingWindow window;
    window.paint = [&](PaintDC& dc) {
        // The whole picture at twice its size, then its middle two columns one-to-one.
        EXPECT_EQ(dc.StretchDIBits(10, 10, 8, 6, 0, 0, 4, 3, dib.bits(), dib.info(), DIB_RGB_COLORS,
                                   SRCCOPY),
                  3);
        dc.StretchDIBits(40, 10, 2, 3, 1, 0, 2, 3, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
        EXPECT_EQ(
            dc.StretchDIBits(0, 0, 1, 1, 0, 0, 1, 1, nullptr, dib.info(), DIB_RGB_COLORS, SRCCOPY),
            0);
    };
    ASSERT_TRUE(window.createTopLevel());
    window.UpdateWindow();
    const QImage pixels = test::grabClient(window);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(pixelAt(pixels, 10 + x, 10 + y), TestDib::colourOf((y / 2) * 4 + x / 2))
                << x << "," << y;
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(pixelAt(pixels, 40, 10 + y), TestDib::colourOf(y * 4 + 1));
        EXPECT_EQ(pixelAt(pixels, 41, 10 + y), TestDib::colourOf(y * 4 + 2));
    }
}

TEST_F(PaintTest, OnAPaletteDisplayDrawnColoursMapToTheSelectedPalette) {
    const auto palette = makePalette({{255, 0, 0, 0}, {0, 0, 255, 0}, {255, 255, 217, 0}});
    struct Case {
        const char* label;
        bool paletteDisplay;
        COLORREF colour;
        unsigned drawn;
    } cases[] = {
        {"palette-relative, palette display", true, PALETTERGB(250, 10, 10), rgb(255, 0, 0)},
        {"plain, palette display", true, RGB(10, 10, 240), rgb(0, 0, 255)},
        {"background colour, palette display", true, PALETTERGB(255, 255, 200), rgb(255, 255, 217)},
        {"palette-relative, true colour", false, PALETTERGB(250, 10, 10), rgb(250, 10, 10)},
        {"plain, true colour", false, RGB(10, 10, 240), rgb(10, 10, 240)},
    };
    for (const Case& c : cases) {
        setDisplayUsesPalette(c.paletteDisplay);
        RecordingWindow window;
        window.paint = [&](PaintDC& dc) {
            dc.SelectPalette(palette.get(), FALSE);
            dc.FillSolidRect(Rect{0, 0, 20, 20}, c.colour);
            EXPECT_EQ((dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) != 0, c.paletteDisplay);
            EXPECT_EQ(dc.GetDeviceCaps(BITSPIXEL), c.paletteDisplay ? 8 : 24);
        };
        ASSERT_TRUE(window.createTopLevel());
        window.UpdateWindow();
        EXPECT_EQ(pixelAt(test::grabClient(window), 10, 10), c.drawn) << c.label;
        window.DestroyWindow();
    }
}

TEST_F(PaintTest, PensDrawRectanglesOnTheDocumentedPixels) {
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(nullptr, 40, 40));
    MemoryDC dc;
    dc.SelectObject(&bitmap);
    dc.FillSolidRect(Rect{0, 0, 40, 40}, RGB(255, 255, 255));
    Pen wide(PS_SOLID, 2, RGB(255, 0, 0));
    dc.SelectObject(&wide);
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(10, 10, 20, 20);
    const QImage& image = *bitmap.image();
    auto at = [&](int x, int y) { return unsigned(image.pixel(x, y)) & 0xFFFFFFu; };
    const unsigned red = rgb(255, 0, 0), white = rgb(255, 255, 255);
    // Columns along y = 15 and rows along x = 15.
    const struct {
        int offset;
        unsigned colour;
    } expected[] = {{8, white},  {9, red},  {10, red}, {11, white},
                    {17, white}, {18, red}, {19, red}, {20, white}};
    for (const auto& e : expected) {
        EXPECT_EQ(at(e.offset, 15), e.colour) << "x = " << e.offset;
        EXPECT_EQ(at(15, e.offset), e.colour) << "y = " << e.offset;
    }
    EXPECT_EQ(at(15, 15), white) << "the hollow brush leaves the inside";

    Pen thin(PS_SOLID, 1, RGB(0, 0, 255));
    Brush fill(RGB(0, 255, 0));
    dc.SelectObject(&thin);
    dc.SelectObject(&fill);
    dc.Rectangle(25, 25, 30, 30);
    EXPECT_EQ(at(25, 27), rgb(0, 0, 255));
    EXPECT_EQ(at(29, 27), rgb(0, 0, 255));
    EXPECT_EQ(at(30, 27), white);
    EXPECT_EQ(at(27, 27), rgb(0, 255, 0));
}

TEST_F(PaintTest, MemoryBitmapsAndTheSystemMenuPicturesAreCopiedWithBitBlt) {
    Bitmap off;
    ASSERT_TRUE(off.CreateCompatibleBitmap(nullptr, 30, 20));
    MemoryDC memory;
    memory.SelectObject(&off);
    memory.FillSolidRect(Rect{0, 0, 30, 20}, RGB(200, 100, 50));
    memory.FillSolidRect(Rect{10, 5, 20, 15}, RGB(0, 0, 0));

    Bitmap check;
    ASSERT_TRUE(check.LoadOEMBitmap(OBM_CHECK));
    const Size checkSize = check.size();
    EXPECT_EQ(checkSize,
              (Size{GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK)}));
    Bitmap arrow;
    ASSERT_TRUE(arrow.LoadOEMBitmap(OBM_MNARROW));
    EXPECT_FALSE(Bitmap().LoadOEMBitmap(1234));
    MemoryDC checkDc;
    checkDc.SelectObject(&check);

    RecordingWindow window;
    window.paint = [&](PaintDC& dc) {
        dc.FillSolidRect(Rect{0, 0, 100, 60}, RGB(255, 255, 217));
        EXPECT_TRUE(dc.BitBlt(5, 5, 30, 20, &memory, 0, 0, SRCCOPY));
        EXPECT_TRUE(dc.BitBlt(50, 5, checkSize.cx, checkSize.cy, &checkDc, 0, 0, SRCCOPY));
        MemoryDC empty;
        EXPECT_FALSE(dc.BitBlt(0, 0, 5, 5, &empty, 0, 0, SRCCOPY));
    };
    ASSERT_TRUE(window.createTopLevel());
    window.UpdateWindow();
    const QImage pixels = test::grabClient(window);
    EXPECT_EQ(pixelAt(pixels, 6, 6), rgb(200, 100, 50));
    EXPECT_EQ(pixelAt(pixels, 20, 15), rgb(0, 0, 0));
    EXPECT_EQ(pixelAt(pixels, 50, 5), rgb(255, 255, 217)) << "the check mark's corner is clear";
    int dark = 0;
    for (int y = 0; y < checkSize.cy; ++y)
        for (int x = 0; x < checkSize.cx; ++x)
            if (pixelAt(pixels, 50 + x, 5 + y) == 0) ++dark;
    EXPECT_GE(dark, 15) << "the check mark itself is drawn";
}

TEST_F(PaintTest, FontsResolveTheirFacesAndTextIsMeasuredAsThePlatformDoes) {
    Font menu;
    ASSERT_TRUE(menu.CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                                OUT_STRING_PRECIS, CLIP_CHARACTER_PRECIS, PROOF_QUALITY, 0,
                                "MS Sans Serif"));
    EXPECT_EQ(QFontInfo(menu.qfont()).family(), QStringLiteral("Liberation Sans"));
    Font arial;
    ASSERT_TRUE(arial.CreatePointFont(100, "Arial"));
    EXPECT_EQ(QFontInfo(arial.qfont()).family(), QStringLiteral("Liberation Sans"));

    Bitmap bitmap;
    bitmap.CreateCompatibleBitmap(nullptr, 200, 50);
    MemoryDC dc;
    dc.SelectObject(&bitmap);
    dc.SelectObject(&menu);
    TEXTMETRIC tm;
    ASSERT_TRUE(dc.GetTextMetrics(&tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - 11);
    EXPECT_GE(tm.tmExternalLeading, 0);
    EXPECT_EQ(tm.tmWeight, FW_NORMAL);

    const Size file = dc.GetTextExtent("File");
    const Size amp = dc.GetTextExtent("&File");
    EXPECT_GT(amp.cx, file.cx) << "the extent counts the ampersand";
    EXPECT_EQ(file.cy, tm.tmHeight);
    Rect calc{0, 0, 0, 0};
    dc.DrawText("&File", &calc, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(calc.width(), file.cx) << "the mnemonic mark takes no room";
    Rect calcRaw{0, 0, 0, 0};
    dc.DrawText("&File", &calcRaw, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(calcRaw.width(), amp.cx);

    Font cell;
    ASSERT_TRUE(cell.CreateFont(20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
    dc.SelectObject(&cell);
    dc.GetTextMetrics(&tm);
    EXPECT_LE(tm.tmHeight, 20) << "a positive height is the cell height";
    EXPECT_GE(tm.tmHeight, 18);
    EXPECT_EQ(tm.tmWeight, FW_BOLD);

    NONCLIENTMETRICS metrics{};
    metrics.cbSize = sizeof metrics;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
    EXPECT_STREQ(metrics.lfMenuFont.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(metrics.lfMenuFont.lfHeight, -11);
    metrics.cbSize = 100;
    EXPECT_FALSE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0));
    setWorkArea(Rect{0, 0, 1024, 738});
    Rect work;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work, (Rect{0, 0, 1024, 738}));
}

TEST_F(PaintTest, RealisingAChangedPalettePostsPaletteChangedToEveryTopLevelWindow) {
    const auto palette = makePalette({{1, 2, 3, 0}, {4, 5, 6, 0}});
    RecordingWindow a, b;
    ASSERT_TRUE(a.createTopLevel());
    ASSERT_TRUE(b.createTopLevel(Rect{500, 100, 700, 300}));
    test::MessageLog log;
    {
        ClientDC dc(&a);
        dc.SelectPalette(palette.get(), FALSE);
        EXPECT_GT(dc.RealizePalette(), 0u);
        EXPECT_EQ(dc.RealizePalette(), 0u) << "nothing changes the second time";
    }
    test::processEvents();
    std::vector<std::pair<HWND, WPARAM>> got;
    for (const auto& m : log.messages())
        if (m.message == WM_PALETTECHANGED) got.emplace_back(m.window, m.wParam);
    const auto causer = reinterpret_cast<WPARAM>(a.GetSafeHwnd());
    EXPECT_EQ(got, (std::vector<std::pair<HWND, WPARAM>>{{a.GetSafeHwnd(), causer},
                                                         {b.GetSafeHwnd(), causer}}));
}

TEST_F(PaintTest, APaletteBoxRealisesThePaletteAndRepaintsItsOwnerOrTheMainWindow) {
    const auto palette = makePalette({{9, 9, 9, 0}});
    RecordingWindow owner, main;
    makeBlueWindow(owner);
    makeBlueWindow(main, Rect{500, 100, 700, 300});
    setMainWindow(&main);
    EXPECT_EQ(MessageBoxWithPalette(owner.GetSafeHwnd(), palette.get(), "Could not", "Skyvista",
                                    MB_ICONEXCLAMATION),
              IDOK);
    ASSERT_EQ(boxes->calls().size(), 1u);
    EXPECT_EQ(boxes->calls()[0].owner, owner.GetSafeHwnd());
    ASSERT_EQ(owner.paintRects.size(), 1u) << "redrawn at once";
    Rect client;
    owner.GetClientRect(&client);
    EXPECT_EQ(owner.paintRects[0], client);
    EXPECT_EQ(owner.erases, 0) << "redrawn without erasing";
    EXPECT_EQ(SystemPalette::entries()[0].peRed, 9) << "the palette was realised";

    const HWND gone = owner.GetSafeHwnd();
    owner.DestroyWindow();
    MessageBoxWithPalette(gone, palette.get(), "Again", "Skyvista", MB_ICONEXCLAMATION);
    ASSERT_EQ(boxes->calls().size(), 2u);
    EXPECT_EQ(boxes->calls()[1].owner, main.GetSafeHwnd()) << "the main window takes over";
    EXPECT_EQ(main.paintRects.size(), 1u);
}

TEST_F(PaintTest, APrinterPageAnswersItsSizeAndTakesDrawing) {
    testing_support::TempDir dir;
    const std::string file = (dir.path() / "page.pdf").string();
    setDisplayUsesPalette(true);
    PrinterDC dc;
    EXPECT_LE(dc.StartDoc("Map"), 0) << "no printer";
    ASSERT_TRUE(dc.Attach(CreatePdfPrinter(file, 8.5, 11, 300)));
    EXPECT_FALSE(dc.Attach(CreatePdfPrinter(file, 8.5, 11, 300))) << "one printer at a time";
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), 2550);
    EXPECT_EQ(dc.GetDeviceCaps(VERTRES), 3300);
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 300);
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), 300);
    EXPECT_EQ(dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE, 0) << "a printer has no palette";
    ASSERT_GT(dc.StartDoc("Map"), 0);
    ASSERT_GT(dc.StartPage(), 0);
    const TestDib dib(4, 3);
    EXPECT_EQ(dc.StretchDIBits(300, 300, 400, 300, 0, 0, 4, 3, dib.bits(), dib.info(),
                               DIB_RGB_COLORS, SRCCOPY),
              3);
    dc.FillSolidRect(Rect{100, 100, 200, 200}, RGB(0, 0, 0));
    EXPECT_GT(dc.EndPage(), 0);
    EXPECT_GT(dc.EndDoc(), 0);
    EXPECT_GT(std::filesystem::file_size(file), 500u);
    EXPECT_LE(dc.StartPage(), 0) << "no document";
}

TEST_F(PaintTest, OutOfRangeArgumentsAreRefusedOrClampedWithoutHarm) {
    Font font;
    EXPECT_TRUE(font.CreateFont(INT_MIN, 0, 0, 0, INT_MAX, 0, 0, 0, 0, 0, 0, 0, 0, nullptr));
    EXPECT_EQ(font.qfont().pixelSize(), 4096);
    EXPECT_TRUE(font.CreatePointFont(INT_MAX, "Arial"));
    EXPECT_FALSE(font.CreateFontIndirect(nullptr));

    Bitmap bitmap;
    EXPECT_FALSE(bitmap.CreateCompatibleBitmap(nullptr, 1 << 16, 1 << 16));
    EXPECT_FALSE(bitmap.CreateCompatibleBitmap(nullptr, 0, 10));
    DeviceBitmap wrong;
    wrong.width = 4;
    wrong.height = 4;
    wrong.pixels.resize(3);
    EXPECT_FALSE(bitmap.CreateFromDeviceBitmap(&wrong)) << "pixels do not match the size";

    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(nullptr, 20, 20));
    MemoryDC dc;
    dc.SelectObject(&bitmap);
    const TestDib dib(4, 3);
    EXPECT_EQ(dc.StretchDIBits(INT_MAX - 5, 0, INT_MAX, 10, 0, 0, 4, 3, dib.bits(), dib.info(),
                               DIB_RGB_COLORS, SRCCOPY),
              3)
        << "nothing visible, nothing harmed";
    EXPECT_EQ(dc.StretchDIBits(0, 0, 20, 20, -100, -100, 4, 3, dib.bits(), dib.info(),
                               DIB_RGB_COLORS, SRCCOPY),
              3);
    EXPECT_EQ(
        dc.StretchDIBits(0, 0, 20, 20, 0, 0, 4, 3, dib.bits(), dib.info(), DIB_PAL_COLORS, SRCCOPY),
        0);
    EXPECT_EQ(dc.DrawText("x", nullptr, 0), 0);
    EXPECT_FALSE(dc.GetTextExtentPoint32(nullptr, 5, nullptr));
    EXPECT_FALSE(dc.BitBlt(0, 0, -1, 5, &dc, 0, 0, SRCCOPY));

    RecordingWindow parent;
    ASSERT_TRUE(parent.createTopLevel());
    ScrollBar bar;
    ASSERT_TRUE(bar.Create(SBS_HORZ, Rect{0, 0, 100, 16}, &parent, 1));
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    info.nMin = INT_MIN;
    info.nMax = INT_MAX;
    info.nPage = 0xFFFFFFFFu;
    info.nPos = INT_MAX;
    EXPECT_EQ(bar.SetScrollInfo(&info), INT_MIN + 1) << "max - page + 1, computed without overflow";
    info.nMin = 10;
    info.nMax = 5;
    info.nPos = 7;
    EXPECT_EQ(bar.SetScrollInfo(&info), 10) << "an inverted range pins the position";

    RecordingWindow none;
    Rect r{1, 2, 3, 4};
    none.GetClientRect(&r);
    EXPECT_EQ(r, Rect{});
    none.InvalidateRect(nullptr, TRUE);
    none.ScrollWindow(5, 5);
    none.UpdateWindow();
    EXPECT_EQ(none.SendMessage(WM_CLOSE), 0);
    EXPECT_FALSE(none.DestroyWindow());
    EXPECT_EQ(none.RunModalLoop(), -1);
    EXPECT_EQ(none.GetDlgItem(1), nullptr);
}

TEST_F(PaintTest, TextIsDrawnWhereItsFlagsPutItAndIconsAtTheirSize) {
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(nullptr, 200, 100));
    MemoryDC dc;
    dc.SelectObject(&bitmap);
    const QImage& image = *bitmap.image();
    auto at = [&](int x, int y) { return unsigned(image.pixel(x, y)) & 0xFFFFFFu; };
    // The box around the pixels that are not the background, within an area.
    auto inkBox = [&](Rect area, unsigned background) {
        Rect box{area.right, area.bottom, area.left, area.top};
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (at(x, y) != background) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
        return box;
    };
    const unsigned white = rgb(255, 255, 255);

    dc.FillSolidRect(Rect{0, 0, 200, 100}, RGB(255, 255, 255));
    dc.SetBkMode(OPAQUE);
    dc.SetBkColor(RGB(0, 255, 0));
    dc.TextOut(10, 10, "Hi");
    const Size extent = dc.GetTextExtent("Hi");
    EXPECT_EQ(at(10, 10), rgb(0, 255, 0)) << "an opaque background fills the text's cell";
    EXPECT_EQ(at(10 + extent.cx - 1, 10 + extent.cy - 1), rgb(0, 255, 0));
    EXPECT_EQ(at(10 + extent.cx, 10), white);

    dc.FillSolidRect(Rect{0, 0, 200, 100}, RGB(255, 255, 255));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(0, 0, 0));
    Rect centred{0, 0, 200, 100};
    dc.DrawText("Lookout", &centred, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const Rect ink = inkBox(Rect{0, 0, 200, 100}, white);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR((ink.left + ink.right) / 2, 100, 3) << "centred across";
    EXPECT_NEAR((ink.top + ink.bottom) / 2, 50, 4) << "centred down";

    dc.FillSolidRect(Rect{0, 0, 200, 100}, RGB(255, 255, 255));
    Rect clipped{20, 20, 40, 40};
    dc.DrawText("A long line of text", &clipped, DT_LEFT | DT_TOP | DT_SINGLELINE);
    const Rect clippedInk = inkBox(Rect{0, 0, 200, 100}, white);
    EXPECT_GE(clippedInk.left, 20);
    EXPECT_LE(clippedInk.right, 40) << "clipped to its rectangle";
    dc.FillSolidRect(Rect{0, 0, 200, 100}, RGB(255, 255, 255));
    Rect unclipped{20, 20, 40, 40};
    dc.DrawText("A long line of text", &unclipped, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(inkBox(Rect{0, 0, 200, 100}, white).right, 60) << "DT_NOCLIP runs on";

    ASSERT_TRUE(registerIconResource(128, ":/icons/app.png"));
    dc.FillSolidRect(Rect{0, 0, 200, 100}, RGB(255, 255, 255));
    setSystemMetric(SM_CXICON, 16);
    setSystemMetric(SM_CYICON, 16);
    EXPECT_TRUE(dc.DrawIcon(100, 50, LoadIcon(128)));
    EXPECT_EQ(inkBox(Rect{0, 0, 200, 100}, white), (Rect{100, 50, 116, 66}))
        << "drawn at SM_CXICON x SM_CYICON";
    EXPECT_EQ(at(101, 51), rgb(255, 0, 0));
    EXPECT_EQ(at(115, 51), rgb(0, 0, 255));
    EXPECT_FALSE(dc.DrawIcon(0, 0, nullptr));
}
