// The program's resources: the string table, the dialog templates and the Features menu as the
// windows need them, the cursors with their hot spots and the icons; and the committed cursor and
// icon files are what the generator draws.
#include <algorithm>
#include <cstdlib>

#include <QCursor>
#include <QImage>

#include "platform/qt/cursor.h"
#include "platform/qt/dialog_template.h"
#include "platform/qt/menu.h"
#include "platform/qt/resources.h"
#include "platform/qt/test_support.h"
#include "resources/panorama_resources.h"
#include "resources/resource_ids.h"
#include "tests/support/temp_dir.h"
#include "tools/resource_art.h"

namespace {

class ResourcesTest : public platform::test::GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        registerPanoramaResources();
    }
};

} // namespace

TEST_F(ResourcesTest, Strings) {
    const std::pair<UINT, const char*> strings[] = {
        {101, "&About Skyvistas..."},         {102, "Skyvista"},
        {107, "Skyvista Locator Map"},        {32773, "Look at photographs, videos, and maps"},
        {32775, "Multimedia Visitor Center"},
    };
    for (const auto& [id, text] : strings) {
        std::string loaded;
        EXPECT_TRUE(LoadString(id, loaded)) << id;
        EXPECT_EQ(loaded, text) << id;
    }
}

TEST_F(ResourcesTest, DialogTemplates) {
    struct Item {
        int id;
        int x, y, cx, cy;
        std::string text;
    };
    struct Case {
        UINT id;
        std::string caption;
        int cx, cy;
        std::vector<Item> items; // the items with an id, in template order
    } cases[] = {
        {100,
         "About Skyvistas",
         217,
         133,
         {{IDOK, 178, 7, 32, 14, "OK"},
          {1030, 40, 80, 72, 8, "Use &Slide Menus"},
          {1031, 40, 96, 119, 10, "Use &Windows Background Color"},
          {1034, 40, 112, 120, 8, "Use Standard Windows Scroll&bars"}}},
        {102, "Skyvistas", 248, 141, {{1035, 160, 112, 40, 11, ""}, {1036, 200, 64, 10, 40, ""}}},
        {154,
         "Skyvistas Command Line Parameters",
         264,
         61,
         {{1012, 8, 32, 192, 16, ""},
          {IDOK, 208, 8, 50, 14, "OK"},
          {IDCANCEL, 208, 32, 50, 14, "Cancel"}}},
    };
    for (const Case& c : cases) {
        const platform::DialogTemplate* t = platform::findDialogTemplate(c.id);
        ASSERT_NE(t, nullptr) << c.id;
        EXPECT_EQ(t->caption, c.caption);
        EXPECT_EQ(t->cx, c.cx) << c.id;
        EXPECT_EQ(t->cy, c.cy) << c.id;
        EXPECT_EQ(t->fontFace, "MS Sans Serif");
        EXPECT_EQ(t->fontPointSize, 8);
        std::vector<const platform::DialogItemTemplate*> withId;
        for (const auto& item : t->items)
            if (item.id != platform::kIdStatic) withId.push_back(&item);
        ASSERT_EQ(withId.size(), c.items.size()) << c.id;
        for (std::size_t i = 0; i < c.items.size(); ++i) {
            const Item& e = c.items[i];
            const auto& a = *withId[i];
            EXPECT_EQ(a.id, e.id) << c.id;
            EXPECT_EQ((Rect{a.x, a.y, a.cx, a.cy}), (Rect{e.x, e.y, e.cx, e.cy}))
                << c.id << "/" << e.id;
            EXPECT_EQ(a.text, e.text) << c.id << "/" << e.id;
        }
    }
    const platform::DialogTemplate* pan = platform::findDialogTemplate(102);
    EXPECT_EQ(pan->style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    for (const auto& bar : pan->items)
        EXPECT_EQ(bar.style & WS_VISIBLE, 0u) << bar.id; // both scroll bars start hidden
    const platform::DialogTemplate* about = platform::findDialogTemplate(100);
    EXPECT_EQ(about->items[0].resourceId, IDR_MAINFRAME);
    EXPECT_EQ(about->items[1].text, "Skyvistas 1999");
    EXPECT_NE(about->items[1].style & SS_NOPREFIX, 0u);
}

TEST_F(ResourcesTest, FeaturesMenu) {
    auto menu = platform::LoadMenu(156);
    ASSERT_NE(menu, nullptr);
    platform::Menu* features = menu->GetSubMenu(0);
    ASSERT_NE(features, nullptr);
    EXPECT_EQ(menu->GetMenuString(0, MF_BYPOSITION), "&Features");
    platform::Menu* points = features->GetSubMenu(0);
    ASSERT_NE(points, nullptr);
    EXPECT_EQ(features->GetMenuString(0, MF_BYPOSITION), "&Points of Interest");
    EXPECT_EQ(features->GetMenuItemID(1), 32773u);
    EXPECT_EQ(features->GetMenuString(1, MF_BYPOSITION), "&Multimedia Visitor Center");
    ASSERT_EQ(points->GetMenuItemCount(), 1);
    EXPECT_EQ(points->GetMenuItemID(0), 32777u);
    EXPECT_EQ(points->GetMenuString(0, MF_BYPOSITION), "Placeholder Menu Item");
}

// Each cursor's hot spot is its triangle's tip, and the tip pixel is drawn; the corners away from
// the tip are transparent.
TEST_F(ResourcesTest, CursorsAndIcon) {
    const QPoint tips[] = {{16, 0},  {31, 0}, {31, 15}, {31, 31},
                           {16, 31}, {0, 31}, {0, 16},  {0, 0}};
    for (int i = 0; i < 8; ++i) {
        HCURSOR cursor = LoadCursor(101 + i);
        ASSERT_NE(cursor, nullptr) << i;
        EXPECT_EQ(cursor->qcursor().hotSpot(), tips[i]) << i;
        const QImage image = cursor->qcursor().pixmap().toImage();
        ASSERT_EQ(image.size(), QSize(32, 32)) << i;
        EXPECT_EQ(qAlpha(image.pixel(tips[i])), 255) << i;
        const QPoint opposite(31 - tips[i].x(), 31 - tips[i].y());
        EXPECT_EQ(qAlpha(image.pixel(opposite)), 0) << i;
    }
    HICON icon = LoadIcon(IDR_MAINFRAME);
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->image(32, 32).isNull());
}

static_assert(IDI_LIST_PHOTO == resource_art::kListIconPhoto);
static_assert(IDI_LIST_MAP == resource_art::kListIconMap);
static_assert(IDI_LIST_VIDEO == resource_art::kListIconVideo);

// Each list icon loads under its own number as the picture drawn for that number.
TEST_F(ResourcesTest, ListIcons) {
    for (int id : {IDI_LIST_PHOTO, IDI_LIST_MAP, IDI_LIST_VIDEO}) {
        HICON icon = LoadIcon(id);
        ASSERT_NE(icon, nullptr) << id;
        const QImage drawn = resource_art::listIcon(id);
        ASSERT_EQ(drawn.size(), QSize(32, 32)) << id;
        EXPECT_EQ(icon->image(32, 32), drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << id;
    }
    EXPECT_TRUE(resource_art::listIcon(193).isNull());
}

namespace {

// The largest difference of one colour channel between two pictures of one size, or -1 when
// they differ in size or one cannot be read.
int largestChannelDifference(const QImage& a, const QImage& b) {
    if (a.isNull() || b.isNull() || a.size() != b.size()) return -1;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int largest = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            for (int shift : {0, 8, 16, 24})
                largest = std::max(largest,
                                   std::abs(int((p >> shift) & 0xff) - int((q >> shift) & 0xff)));
        }
    return largest;
}

} // namespace

// The committed files are the generator's output: the cursors byte for byte; the icons, drawn
// with anti-aliasing, pixel for pixel within one level per channel, since the toolkit's
// rasteriser picks code paths by processor and may round an edge pixel differently.
TEST_F(ResourcesTest, CommittedFilesMatchTheGenerator) {
    testing_support::TempDir dir;
    ASSERT_TRUE(resource_art::writeCursorsAndIcon(dir.path()));
    const std::string source = PANORAMA_SOURCE_DIR "/src/resources/";
    for (int i = 101; i <= 108; ++i) {
        const std::string name = "cursors/" + std::to_string(i) + ".bmp";
        EXPECT_EQ(testing_support::readFile(dir.file(name)),
                  testing_support::readFile(source + name))
            << name;
    }
    for (int i : {128, 190, 191, 192}) {
        const std::string name = "icons/" + std::to_string(i) + ".png";
        const QImage drawn(QString::fromStdString(dir.file(name)));
        const QImage committed(QString::fromStdString(source + name));
        const int difference = largestChannelDifference(drawn, committed);
        EXPECT_GE(difference, 0) << name;
        EXPECT_LE(difference, 1) << name;
    }
}
