// List-box controls of the Qt layer: items and their data, the platform's selection and height
// rules, owner drawing through WM_DRAWITEM, the user's mouse, keys and wheel with LBN_SELCHANGE,
// the scroll bar, and a control taken over from a dialog template.
#include "platform/qt/list_box.h"
#include "platform/core/system_metrics.h"
#include "platform/qt/dialog.h"
#include "platform/qt/dialog_template.h"
#include "platform/qt/test_support.h"
#include "qt_test_windows.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

using namespace platform;
using platform::test::GuiTest;

namespace {

class ListBoxTest : public GuiTest {};

constexpr DWORD kOwnerDrawn =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_NOTIFY;

// An owner-drawn list that records what it is asked to draw and fills each item with a colour
// of its index and state, so grabs show what was drawn where.
class DrawnList : public ListBox {
public:
    std::vector<DRAWITEMSTRUCT> drawn;
    static COLORREF colourOf(UINT index, bool selected) {
        return selected ? RGB(255, 0, 0) : RGB(0, BYTE(40 * (index % 6)), 200);
    }
    void DrawItem(DRAWITEMSTRUCT* item) override {
        drawn.push_back(*item);
        item->hDC->FillSolidRect(item->rcItem,
                                 colourOf(item->itemID, (item->itemState & ODS_SELECTED) != 0));
    }
};

struct Fixture {
    RecordingWindow parent;
    DrawnList list;
    explicit Fixture(int items, DWORD style = kOwnerDrawn, int itemHeight = 20) {
        parent.createTopLevel({50, 50, 450, 450});
        // 6 items of 20 pixels inside a one-pixel border.
        list.Create(style, Rect{10, 10, 210, 132}, &parent, 1014);
        list.SetItemHeight(0, UINT(itemHeight));
        for (int i = 0; i < items; ++i) {
            const int index = list.AddString("");
            list.SetItemData(index, UINT_PTR(1000 + i));
        }
    }
    QWidget* widget() { return list.clientWidget(); }
    // The widget point in the middle of an item.
    QPoint itemPoint(int index) {
        Rect r;
        list.GetItemRect(index, &r);
        const Rect area = list.itemArea();
        return QPoint(area.left + (r.left + r.right) / 2, area.top + (r.top + r.bottom) / 2);
    }
    std::vector<WPARAM> selectionChanges() const {
        std::vector<WPARAM> out;
        for (WPARAM w : parent.commands)
            if (LOWORD(w) == 1014) out.push_back(HIWORD(w));
        return out;
    }
};

} // namespace

// Items, item data and the platform's refusals: an index out of range, a height of 0 or above
// 255, and -1 for the selection (which clears it and still answers LB_ERR).
TEST_F(ListBoxTest, ItemsDataSelectionAndTheirRefusals) {
    Fixture f(3);
    EXPECT_EQ(f.list.GetCount(), 3);
    EXPECT_EQ(f.list.GetItemData(2), UINT_PTR(1002));
    EXPECT_EQ(f.list.SetItemData(3, 5), LB_ERR);
    EXPECT_EQ(f.list.GetItemData(3), UINT_PTR(LB_ERR));
    EXPECT_EQ(f.list.GetItemDataPtr(-1), nullptr);

    EXPECT_EQ(f.list.GetCurSel(), LB_ERR);
    EXPECT_EQ(f.list.SetCurSel(2), 2);
    EXPECT_EQ(f.list.GetCurSel(), 2);
    EXPECT_EQ(f.list.SetCurSel(3), LB_ERR);
    EXPECT_EQ(f.list.GetCurSel(), 2) << "a refused selection keeps the old one";
    EXPECT_EQ(f.list.SetCurSel(-1), LB_ERR);
    EXPECT_EQ(f.list.GetCurSel(), LB_ERR);

    for (const auto& [height, result] : std::vector<std::pair<UINT, int>>{
             {0, LB_ERR}, {1, LB_OKAY}, {255, LB_OKAY}, {256, LB_ERR}, {53, LB_OKAY}})
        EXPECT_EQ(f.list.SetItemHeight(0, height), result) << height;
    EXPECT_EQ(f.list.GetItemHeight(0), 53);
    failNextSetItemHeight();
    EXPECT_EQ(f.list.SetItemHeight(0, 20), LB_ERR);
    EXPECT_EQ(f.list.SetItemHeight(0, 20), LB_OKAY) << "only the next one fails";

    // The same through messages.
    EXPECT_EQ(f.list.SendMessage(LB_GETCOUNT), 3);
    EXPECT_EQ(f.list.SendMessage(LB_SETCURSEL, 1), 1);
    EXPECT_EQ(f.list.SendMessage(LB_GETCURSEL), 1);
    EXPECT_EQ(f.list.SendMessage(LB_GETITEMDATA, 0), 1000);
    EXPECT_TRUE(f.selectionChanges().empty()) << "selections of the program are not told";
}

// Every visible item is drawn through WM_DRAWITEM to the parent with its index, rectangle, state
// and data; the area below the last item shows the window colour.
TEST_F(ListBoxTest, OwnerDrawnItemsArePaintedByTheirParent) {
    Fixture f(3);
    f.list.SetCurSel(1);
    f.list.drawn.clear();
    const QImage grab = platform::test::grabClient(f.list);
    ASSERT_EQ(f.list.drawn.size(), 3u);
    for (UINT i = 0; i < 3; ++i) {
        const DRAWITEMSTRUCT& d = f.list.drawn[i];
        EXPECT_EQ(d.CtlType, UINT(ODT_LISTBOX));
        EXPECT_EQ(d.CtlID, 1014u);
        EXPECT_EQ(d.itemID, i);
        EXPECT_EQ(d.itemData, UINT_PTR(1000 + i));
        EXPECT_EQ(d.rcItem, (Rect{0, int(i) * 20, 198, int(i) * 20 + 20})) << i;
        EXPECT_EQ((d.itemState & ODS_SELECTED) != 0, i == 1) << i;
        EXPECT_EQ(d.hwndItem, f.list.GetSafeHwnd());
    }
    const auto colourAt = [&](int x, int y) {
        const unsigned p = platform::test::pixelAt(grab, x, y);
        return RGB(BYTE(p >> 16), BYTE(p >> 8), BYTE(p));
    };
    // Item area starts inside the one-pixel border.
    EXPECT_EQ(colourAt(5, 1 + 10), DrawnList::colourOf(0, false));
    EXPECT_EQ(colourAt(5, 1 + 30), DrawnList::colourOf(1, true));
    EXPECT_EQ(colourAt(5, 1 + 70), GetSysColor(COLOR_WINDOW) & 0xFFFFFF);
}

// The user's clicks and keys select and tell the parent once per change; keys move by one, by a
// page of whole items less one, or to the ends, and keep the selection in view.
TEST_F(ListBoxTest, MouseAndKeysSelectAndNotify) {
    Fixture f(20);
    EXPECT_EQ(f.list.visibleItemCount(), 6);
    QTest::mouseClick(f.widget(), Qt::LeftButton, {}, f.itemPoint(2));
    EXPECT_EQ(f.list.GetCurSel(), 2);
    QTest::mouseClick(f.widget(), Qt::LeftButton, {}, f.itemPoint(2));
    EXPECT_EQ(f.selectionChanges(), (std::vector<WPARAM>{LBN_SELCHANGE}))
        << "a click on the selected item changes nothing";

    struct Step {
        Qt::Key key;
        int selection;
        int top;
    };
    for (const Step& s : std::vector<Step>{{Qt::Key_Down, 3, 0},
                                           {Qt::Key_PageDown, 8, 3},
                                           {Qt::Key_End, 19, 14},
                                           {Qt::Key_Down, 19, 14},
                                           {Qt::Key_PageUp, 14, 14},
                                           {Qt::Key_Home, 0, 0},
                                           {Qt::Key_Up, 0, 0}}) {
        QTest::keyClick(f.widget(), s.key);
        EXPECT_EQ(f.list.GetCurSel(), s.selection) << s.key;
        EXPECT_EQ(f.list.GetTopIndex(), s.top) << s.key;
    }
    // Down, PageDown, End, PageUp, Home changed it; Down at the end and Up at the top did not.
    EXPECT_EQ(f.selectionChanges().size(), 6u);

    // Without LBS_NOTIFY nothing is told.
    Fixture quiet(5, kOwnerDrawn & ~LBS_NOTIFY);
    QTest::mouseClick(quiet.widget(), Qt::LeftButton, {}, quiet.itemPoint(3));
    EXPECT_EQ(quiet.list.GetCurSel(), 3);
    EXPECT_TRUE(quiet.selectionChanges().empty());
}

// The scroll bar appears only when the items do not all fit; it and the wheel move the first
// visible item, and the item rectangles move with it.
TEST_F(ListBoxTest, ScrollBarAndWheelScrollTheItems) {
    Fixture few(6);
    QScrollBar* bar = few.widget()->findChild<QScrollBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isHidden());

    Fixture many(10);
    bar = many.widget()->findChild<QScrollBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_EQ(many.list.itemArea().width(), 198 - GetSystemMetrics(SM_CXVSCROLL));
    bar->setValue(2);
    EXPECT_EQ(many.list.GetTopIndex(), 2);
    Rect r;
    many.list.GetItemRect(2, &r);
    EXPECT_EQ(r.top, 0);

    QWheelEvent down(QPointF(20, 20), QPointF(), QPoint(), QPoint(0, -WHEEL_DELTA), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(many.widget(), &down);
    EXPECT_EQ(many.list.GetTopIndex(), 4) << "three items a notch, up to the last page";
    EXPECT_EQ(bar->value(), 4);
    many.list.SetCurSel(0);
    EXPECT_EQ(many.list.GetTopIndex(), 0) << "a selection is scrolled into view";
}

// A list made from a dialog template and taken over by an object of the program's class keeps
// its items, and its items are then drawn by the new object.
TEST_F(ListBoxTest, ATemplateListTakenOverKeepsItsItems) {
    DialogTemplate t;
    t.id = 9301;
    t.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
    t.cx = 150;
    t.cy = 100;
    t.items = {dlg::control("", 1014, kListBoxClass, WS_VISIBLE | WS_BORDER | LBS_OWNERDRAWFIXED, 4,
                            4, 100, 60)};
    registerDialogTemplate(t);
    Dialog dialog(9301);
    ASSERT_TRUE(dialog.Create(9301));
    auto* original = dynamic_cast<ListBox*>(dialog.GetDlgItem(1014));
    ASSERT_NE(original, nullptr);
    original->AddString("");
    original->SetItemData(0, 77);
    DrawnList taken;
    ASSERT_TRUE(taken.SubclassDlgItem(1014, &dialog));
    EXPECT_EQ(taken.GetCount(), 1);
    EXPECT_EQ(taken.GetItemData(0), UINT_PTR(77));
    platform::test::grabClient(taken);
    ASSERT_FALSE(taken.drawn.empty());
    EXPECT_EQ(taken.drawn.back().itemData, UINT_PTR(77));
}
