// Loading without the title string or without the direction cursors. The layer keeps resources
// once registered, so these run in a program of their own that registers only what each needs;
// the title case runs first.
#include "viewer/gutter_scroll.h"
#include "viewer_fixtures.h"

using namespace viewer_test;

namespace {

class MissingResourcesTest : public ViewerTest {
protected:
    void registerResources() override { resources::registerDialogsAndMenus(); }
};

} // namespace

TEST_F(MissingResourcesTest, NoTitleString) {
    writeViewpoint(300, 200);
    EXPECT_EQ(open(), nullptr);
    ASSERT_EQ(boxes->calls().size(), 1u);
    EXPECT_EQ(boxes->calls()[0].text, "Could not load dialog window title");
    EXPECT_EQ(boxes->calls()[0].caption, "panorama");
}

TEST_F(MissingResourcesTest, NoDirectionCursors) {
    resources::registerStringTable();
    platform::Window window;
    platform::Palette palette;
    CGutterScroll gutter(&window, &palette, CPanDlg::kGutterTimerId);
    EXPECT_FALSE(gutter.LoadCursors());
    EXPECT_FALSE(gutter.cursorsLoaded());

    writeViewpoint(300, 200);
    EXPECT_EQ(open(), nullptr);
    ASSERT_EQ(boxes->calls().size(), 1u);
    EXPECT_EQ(boxes->calls()[0].text, "Could not load arrow and scrolling cursors");
    EXPECT_EQ(boxes->calls()[0].caption, "Skyvista: Test Overlook");
}
