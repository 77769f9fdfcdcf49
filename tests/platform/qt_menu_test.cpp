// Menus of the Qt layer: the model's operations, menu resources, and TrackPopupMenu with its
// WM_INITMENUPOPUP, alignment and posted WM_COMMAND.
#include "platform/qt/menu.h"
#include "platform/qt/test_support.h"
#include "qt_test_windows.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>

using namespace platform;
using platform::test::GuiTest;

namespace {

class MenuTest : public GuiTest {};

// The Features menu resource as the product describes it.
void registerFeaturesMenu() {
    MenuTemplate menu;
    menu.id = 156;
    MenuTemplateItem features{MF_POPUP, 0, "&Features", {}};
    features.children.push_back(MenuTemplateItem{
        MF_POPUP, 0, "&Points of Interest", {{MF_STRING, 32777, "Placeholder Menu Item", {}}}});
    features.children.push_back(
        MenuTemplateItem{MF_STRING, 32773, "&Multimedia Visitor Center", {}});
    menu.items.push_back(features);
    registerMenuResource(menu);
}

class MenuOwner : public RecordingWindow {
public:
    std::vector<std::pair<Menu*, LPARAM>> initialised;
    std::function<void(Menu*)> onInit;
    void OnInitMenuPopup(Menu* popup, UINT index, BOOL system) override {
        initialised.emplace_back(popup, MAKELPARAM(int(index), int(system)));
        if (onInit) onInit(popup);
    }
};

} // namespace

TEST_F(MenuTest, TheModelFollowsThePlatformsMenuOperations) {
    registerFeaturesMenu();
    std::unique_ptr<Menu> bar = LoadMenu(156);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(LoadMenu(157), nullptr);
    Menu* features = bar->GetSubMenu(0);
    ASSERT_NE(features, nullptr);
    Menu* poi = features->GetSubMenu(0);
    ASSERT_NE(poi, nullptr);
    EXPECT_EQ(features->GetSubMenu(1), nullptr);
    EXPECT_EQ(bar->GetMenuState(0, MF_BYPOSITION), (2u << 8) | MF_POPUP)
        << "a submenu's state carries its item count";
    EXPECT_EQ(features->GetMenuItemID(0), MENU_ITEM_NOT_FOUND) << "a submenu has no id";
    EXPECT_EQ(features->GetMenuItemID(1), 32773u);

    // By command, the search goes into submenus.
    EXPECT_TRUE(bar->DeleteMenu(32777, MF_BYCOMMAND));
    EXPECT_EQ(poi->GetMenuItemCount(), 0);
    EXPECT_FALSE(bar->DeleteMenu(32777, MF_BYCOMMAND));

    ASSERT_TRUE(poi->AppendMenu(MF_STRING, 20000, "Lookout &Point"));
    ASSERT_TRUE(poi->AppendMenu(MF_STRING | MF_MENUBARBREAK, 20003, "Falls"));
    ASSERT_TRUE(poi->InsertMenu(1, MF_BYPOSITION | MF_STRING, 20001, "Lake"));
    ASSERT_TRUE(poi->InsertMenu(20003, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr));
    EXPECT_FALSE(poi->InsertMenu(99999, MF_BYCOMMAND, 1, "nowhere"));
    EXPECT_FALSE(poi->AppendMenu(MF_POPUP, 5, "not this way"));
    ASSERT_EQ(poi->GetMenuItemCount(), 4);
    EXPECT_EQ(poi->GetMenuItemID(1), 20001u);
    EXPECT_EQ(poi->GetMenuState(2, MF_BYPOSITION), MF_SEPARATOR);
    EXPECT_EQ(poi->GetMenuState(20003, MF_BYCOMMAND), MF_MENUBARBREAK);

    struct Case {
        const char* label;
        std::function<UINT()> call;
        UINT expected;
    } cases[] = {
        {"check answers the previous state", [&] { return bar->CheckMenuItem(20000, MF_CHECKED); },
         MF_UNCHECKED},
        {"checked now", [&] { return bar->GetMenuState(20000, MF_BYCOMMAND); }, MF_CHECKED},
        {"uncheck", [&] { return bar->CheckMenuItem(20000, MF_UNCHECKED); }, MF_CHECKED},
        {"disable", [&] { return poi->EnableMenuItem(1, MF_BYPOSITION | MF_GRAYED); }, MF_ENABLED},
        {"a grayed item reads as disabled too",
         [&] { return poi->GetMenuState(1, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED); },
         MF_GRAYED | MF_DISABLED},
        {"enable", [&] { return poi->EnableMenuItem(20001, MF_ENABLED); }, MF_GRAYED},
        {"missing item", [&] { return bar->CheckMenuItem(1, MF_CHECKED); }, MENU_ITEM_NOT_FOUND},
        {"missing state", [&] { return bar->GetMenuState(9, MF_BYPOSITION); }, MENU_ITEM_NOT_FOUND},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.call(), c.expected) << c.label;

    char small[6];
    EXPECT_EQ(bar->GetMenuString(20000, small, sizeof small, MF_BYCOMMAND), 5);
    EXPECT_STREQ(small, "Looko");
    EXPECT_EQ(features->GetMenuString(0, MF_BYPOSITION), "&Points of Interest");
    EXPECT_EQ(bar->GetMenuString(424242, small, sizeof small, MF_BYCOMMAND), 0);
    EXPECT_STREQ(small, "");

    EXPECT_TRUE(poi->ModifyMenu(20001, MF_BYCOMMAND | MF_STRING, 20002, "Lake &Shore"));
    EXPECT_EQ(poi->GetMenuItemID(1), 20002u);
    EXPECT_EQ(poi->GetMenuString(1, MF_BYPOSITION), "Lake &Shore");

    std::unique_ptr<Menu> detached;
    EXPECT_TRUE(features->RemoveMenu(0, MF_BYPOSITION, &detached));
    ASSERT_EQ(detached.get(), poi) << "removing hands the submenu back";
    EXPECT_EQ(detached->GetMenuItemCount(), 4);
    EXPECT_EQ(features->GetMenuItemCount(), 1);
}

TEST_F(MenuTest, TrackPopupMenuInitialisesShowsAlignsAndPostsTheChoice) {
    MenuOwner owner;
    ASSERT_TRUE(owner.createTopLevel(Rect{0, 0, 800, 600}));
    auto menu = CreatePopupMenu();
    menu->AppendMenu(MF_STRING, 32773, "&Multimedia Visitor Center");
    menu->AppendMenu(MF_STRING, 32774, "&Grey\tCtrl+G");
    menu->AppendMenu(MF_SEPARATOR);
    auto sub = CreatePopupMenu();
    sub->AppendMenu(MF_STRING, 20007, "Point &Seven");
    Menu* subMenu = sub.get();
    menu->AppendPopup(0, std::move(sub), "&Points of Interest");
    owner.onInit = [](Menu* popup) { popup->EnableMenuItem(32774, MF_GRAYED); };

    QStringList texts;
    bool greyEnabled = true;
    QRect shown;
    MenuTracking during;
    test::whenPopupMenu([&](QMenu& popup) {
        during = trackingMenu();
        shown = popup.geometry();
        for (QAction* action : popup.actions()) {
            texts << action->text();
            if (action->text().startsWith(QStringLiteral("&Grey")))
                greyEnabled = action->isEnabled();
        }
        test::choosePopupMenuItem(popup, "&Multimedia Visitor Center");
    });
    EXPECT_TRUE(TrackPopupMenu(menu.get(), TPM_BOTTOMALIGN, 100, 500, &owner));
    EXPECT_EQ(owner.initialised.size(), 1u);
    EXPECT_EQ(owner.initialised[0].first, menu.get());
    EXPECT_EQ(owner.initialised[0].second, 0);
    EXPECT_EQ(during.menu, menu.get());
    EXPECT_EQ(during.owner, &owner);
    EXPECT_EQ(trackingMenu().menu, nullptr) << "the record is put back";
    EXPECT_FALSE(greyEnabled) << "the owner disabled it while initialising";
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&Multimedia Visitor Center"),
                                  QStringLiteral("&Grey\tCtrl+G"), QString(),
                                  QStringLiteral("&Points of Interest")}));
    EXPECT_EQ(shown.left(), 100);
    EXPECT_EQ(shown.bottom() + 1, 500) << "TPM_BOTTOMALIGN puts the bottom edge at y";
    EXPECT_TRUE(owner.commands.empty()) << "the command is posted";
    test::processEvents();
    EXPECT_EQ(owner.commands, (std::vector<WPARAM>{32773}));

    // A submenu is initialised when it opens, and its choice arrives the same way.
    owner.commands.clear();
    owner.initialised.clear();
    test::whenPopupMenu([&](QMenu& popup) {
        for (QAction* action : popup.actions())
            if (action->menu()) popup.setActiveAction(action);
        QTest::keyClick(&popup, Qt::Key_Right);
        auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(open, nullptr);
        ASSERT_NE(open, &popup);
        test::choosePopupMenuItem(*open, "Point &Seven");
    });
    TrackPopupMenu(menu.get(), 0, 100, 100, &owner);
    ASSERT_EQ(owner.initialised.size(), 2u);
    EXPECT_EQ(owner.initialised[1].first, subMenu);
    EXPECT_EQ(owner.initialised[1].second, MAKELPARAM(3, 0)) << "the submenu's position";
    test::processEvents();
    EXPECT_EQ(owner.commands, (std::vector<WPARAM>{20007}));

    // TPM_RETURNCMD answers the id instead of posting it; a dismissed menu chooses nothing.
    owner.commands.clear();
    test::whenPopupMenu(
        [](QMenu& popup) { test::choosePopupMenuItem(popup, "&Multimedia Visitor Center"); });
    EXPECT_EQ(TrackPopupMenu(menu.get(), TPM_RETURNCMD, 100, 100, &owner), 32773);
    test::whenPopupMenu([](QMenu& popup) { popup.close(); });
    EXPECT_TRUE(TrackPopupMenu(menu.get(), 0, 100, 100, &owner));
    test::whenPopupMenu([](QMenu& popup) { popup.close(); });
    EXPECT_EQ(TrackPopupMenu(menu.get(), TPM_RETURNCMD, 100, 100, &owner), 0);
    test::processEvents();
    EXPECT_TRUE(owner.commands.empty());
    EXPECT_FALSE(TrackPopupMenu(nullptr, 0, 0, 0, &owner));
}

// A menu taller than the screen is laid out in columns that fit the screen, never scrolled: the
// columns a long Points of Interest menu asks for by its breaks.
TEST_F(MenuTest, AMenuTallerThanTheScreenGetsColumns) {
    MenuOwner owner;
    ASSERT_TRUE(owner.createTopLevel(Rect{0, 0, 800, 600}));
    auto menu = CreatePopupMenu();
    for (UINT i = 0; i < 90; ++i)
        menu->AppendMenu(MF_STRING, 20000 + i, ("Point " + std::to_string(i)).c_str());
    QRect shown, screen;
    std::set<int> columns;
    test::whenPopupMenu([&](QMenu& popup) {
        shown = popup.geometry();
        screen = popup.screen()->geometry();
        for (QAction* action : popup.actions())
            columns.insert(popup.actionGeometry(action).left());
        popup.close();
    });
    TrackPopupMenu(menu.get(), 0, 10, 10, &owner);
    EXPECT_GE(columns.size(), 2u);
    EXPECT_LE(shown.height(), screen.height());
    EXPECT_TRUE(screen.contains(shown)) << "kept on the screen";
}

// The owner destroyed while its menu is open takes the menu with it; nothing is chosen.
TEST_F(MenuTest, AnOwnerDestroyedWhileItsMenuIsOpen) {
    MenuOwner owner;
    ASSERT_TRUE(owner.createTopLevel(Rect{0, 0, 800, 600}));
    auto menu = CreatePopupMenu();
    menu->AppendMenu(MF_STRING, 32773, "&Multimedia Visitor Center");
    test::whenPopupMenu([&](QMenu&) { owner.DestroyWindow(); });
    EXPECT_EQ(TrackPopupMenu(menu.get(), TPM_RETURNCMD, 10, 10, &owner), 0);
    EXPECT_FALSE(owner.exists());
}
