// The visitor center without its title string. The layer keeps resources once registered, so this
// runs in a program of its own that registers the dialogs and menus only.
#include "visitor_fixtures.h"

using namespace visitor_test;

namespace {

class MissingTitleTest : public VisitorCenterTest {
protected:
    void registerResources() override { resources::registerDialogsAndMenus(); }
};

} // namespace

// The title cannot be loaded: the message has the product's caption (the window has no title
// yet) and the window closes as a cancel without having been shown.
TEST_F(MissingTitleTest, NoTitleString) {
    writeNarratives(data.path(), {{"10000", "Text"}});
    setMedia({record("10000", 2, "Overlook")});
    EXPECT_EQ(run(0), CMMVCDlg::kCancelled);
    EXPECT_FALSE(ranModally);
    ASSERT_EQ(boxes->calls().size(), 1u);
    EXPECT_EQ(boxes->calls()[0].text, "Could not load multimedia vistor center window title");
    EXPECT_EQ(boxes->calls()[0].caption, "Skyvistas");
    EXPECT_EQ(boxes->calls()[0].type, UINT(MB_ICONEXCLAMATION));
    EXPECT_TRUE(code.tables.empty());
}
