// Scroll-bar controls of the Qt layer: the platform's range, page and position rules, and user
// actions that become WM_HSCROLL / WM_VSCROLL notifications without moving the bar by themselves.
#include "platform/qt/controls.h"
#include "platform/qt/test_support.h"
#include "qt_test_windows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

using namespace platform;
using platform::test::GuiTest;

namespace {

class ScrollBarTest : public GuiTest {};

// A parent that records its scroll notifications and may move the thumb itself.
class ScrollParent : public RecordingWindow {
public:
    struct Note {
        UINT message, code, position;
        int trackPos;
    };
    std::vector<Note> notes;
    int lineStep = 0; // moves the bar by this much on each line notification when not 0

    void OnHScroll(UINT code, UINT position, ScrollBar* bar) override {
        note(WM_HSCROLL, code, position, bar);
    }
    void OnVScroll(UINT code, UINT position, ScrollBar* bar) override {
        note(WM_VSCROLL, code, position, bar);
    }

private:
    void note(UINT message, UINT code, UINT position, ScrollBar* bar) {
        ASSERT_NE(bar, nullptr);
        SCROLLINFO info;
        bar->GetScrollInfo(&info, SIF_ALL);
        notes.push_back({message, code, position, info.nTrackPos});
        if (lineStep && (code == SB_LINEDOWN || code == SB_LINEUP))
            bar->SetScrollPos(bar->GetScrollPos() + (code == SB_LINEDOWN ? lineStep : -lineStep));
    }
};

QRect partOf(QScrollBar* bar, QStyle::SubControl part) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = false;
    if (bar->orientation() == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}

std::vector<UINT> codes(const std::vector<ScrollParent::Note>& notes) {
    std::vector<UINT> out;
    for (const auto& n : notes)
        out.push_back(n.code);
    return out;
}

} // namespace

TEST_F(ScrollBarTest, RangePageAndPositionAreClampedAsThePlatformClampsThem) {
    RecordingWindow parent;
    ASSERT_TRUE(parent.createTopLevel());
    ScrollBar bar;
    ASSERT_TRUE(bar.Create(SBS_HORZ | WS_VISIBLE, Rect{10, 10, 210, 26}, &parent, 1035));
    const struct {
        const char* label;
        int min, max;
        UINT page;
        int pos;
        UINT wantPage;
        int wantPos;
    } cases[] = {
        {"last position is max - page + 1", 0, 999, 100, 950, 100, 900},
        {"below the minimum", 0, 999, 100, -5, 100, 0},
        {"page larger than the range", 0, 99, 500, 10, 100, 0},
        {"no page", 0, 999, 0, 999, 0, 999},
        {"page of one", 10, 20, 1, 20, 1, 20},
        {"offset range", 10, 20, 5, 20, 5, 16},
        {"empty range", 0, 0, 0, 5, 0, 0},
    };
    for (const auto& c : cases) {
        SCROLLINFO info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMin = c.min;
        info.nMax = c.max;
        info.nPage = c.page;
        info.nPos = c.pos;
        EXPECT_EQ(bar.SetScrollInfo(&info, FALSE), c.wantPos) << c.label;
        SCROLLINFO got;
        ASSERT_TRUE(bar.GetScrollInfo(&got, SIF_ALL)) << c.label;
        EXPECT_EQ(got.nMin, c.min) << c.label;
        EXPECT_EQ(got.nMax, c.max) << c.label;
        EXPECT_EQ(got.nPage, c.wantPage) << c.label;
        EXPECT_EQ(got.nPos, c.wantPos) << c.label;
        EXPECT_EQ(got.nTrackPos, c.wantPos) << c.label;
    }
    // Position only: the range stays; SetScrollPos answers the previous position.
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMin = 0;
    info.nMax = 999;
    info.nPage = 100;
    bar.SetScrollInfo(&info);
    EXPECT_EQ(bar.SetScrollPos(500), 0);
    EXPECT_EQ(bar.SetScrollPos(2000), 500);
    EXPECT_EQ(bar.GetScrollPos(), 900);
    int low = -1, high = -1;
    bar.GetScrollRange(&low, &high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 999);
    SCROLLINFO none;
    EXPECT_FALSE(bar.GetScrollInfo(&none, 0));

    bar.ShowScrollBar(FALSE);
    EXPECT_FALSE(bar.IsWindowVisible());
    bar.MoveWindow(Rect{0, 100, 300, 116});
    Rect moved;
    bar.GetWindowRect(&moved);
    parent.ScreenToClient(&moved);
    EXPECT_EQ(moved, (Rect{0, 100, 300, 116}));
}

TEST_F(ScrollBarTest, UserActionsBecomeNotificationsAndOnlyTheParentMovesTheThumb) {
    ScrollParent parent;
    ASSERT_TRUE(parent.createTopLevel(Rect{0, 0, 500, 300}));
    ScrollBar bar;
    ASSERT_TRUE(bar.Create(SBS_HORZ | WS_VISIBLE, Rect{10, 10, 310, 26}, &parent, 1035));
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = 999;
    info.nPage = 100;
    info.nPos = 0;
    bar.SetScrollInfo(&info);
    auto* widget = qobject_cast<QScrollBar*>(test::clientWidget(bar));
    ASSERT_NE(widget, nullptr);

    // The right arrow: a line step, then the end of scrolling; the parent did not move it.
    const QPoint rightArrow = partOf(widget, QStyle::SC_ScrollBarAddLine).center();
    QTest::mouseClick(widget, Qt::LeftButton, {}, rightArrow);
    EXPECT_EQ(codes(parent.notes), (std::vector<UINT>{SB_LINERIGHT, SB_ENDSCROLL}));
    EXPECT_EQ(parent.notes[0].message, WM_HSCROLL);
    EXPECT_EQ(bar.GetScrollPos(), 0);
    EXPECT_EQ(widget->value(), 0) << "the control did not move itself";

    // A parent that moves the thumb on line notifications.
    parent.notes.clear();
    parent.lineStep = 10;
    QTest::mouseClick(widget, Qt::LeftButton, {}, rightArrow);
    EXPECT_EQ(bar.GetScrollPos(), 10);
    EXPECT_EQ(widget->value(), 10);
    parent.lineStep = 0;

    // The track beside the thumb: a page step.
    parent.notes.clear();
    QTest::mouseClick(widget, Qt::LeftButton, {},
                      partOf(widget, QStyle::SC_ScrollBarAddPage).center());
    EXPECT_EQ(codes(parent.notes), (std::vector<UINT>{SB_PAGERIGHT, SB_ENDSCROLL}));
    parent.notes.clear();
    QTest::mouseClick(widget, Qt::LeftButton, {},
                      partOf(widget, QStyle::SC_ScrollBarSubPage).center());
    EXPECT_EQ(codes(parent.notes), (std::vector<UINT>{SB_PAGELEFT, SB_ENDSCROLL}));

    // Dragging the thumb: track positions while dragging, the final one on release, and the
    // thumb goes back where the parent keeps it.
    parent.notes.clear();
    const QPoint thumb = partOf(widget, QStyle::SC_ScrollBarSlider).center();
    QTest::mousePress(widget, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(widget, thumb + QPoint(60, 0));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, thumb + QPoint(60, 0));
    const auto got = codes(parent.notes);
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(got.front(), SB_THUMBTRACK);
    EXPECT_EQ(got[got.size() - 2], SB_THUMBPOSITION);
    EXPECT_EQ(got.back(), SB_ENDSCROLL);
    const auto& track = parent.notes.front();
    EXPECT_GT(track.position, 10u);
    EXPECT_EQ(int(track.position), track.trackPos) << "nTrackPos follows the drag";
    EXPECT_EQ(parent.notes[got.size() - 2].position, parent.notes[got.size() - 3].position);
    EXPECT_EQ(bar.GetScrollPos(), 10);
    EXPECT_EQ(widget->value(), 10);

    // "Scroll here" of the toolkit's context menu is a thumb position the parent may refuse.
    parent.notes.clear();
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        menu->setActiveAction(menu->actions().first());
        QTest::keyClick(menu, Qt::Key_Return);
    });
    const QPoint nearEnd(widget->width() * 3 / 4, widget->height() / 2);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, nearEnd, widget->mapToGlobal(nearEnd));
    QApplication::sendEvent(widget, &menuEvent);
    EXPECT_EQ(codes(parent.notes), (std::vector<UINT>{SB_THUMBPOSITION, SB_ENDSCROLL}));
    if (!parent.notes.empty()) {
        EXPECT_GT(parent.notes[0].position, 50u);
    }
    EXPECT_EQ(bar.GetScrollPos(), 10);
    EXPECT_EQ(widget->value(), 10) << "the thumb stays where the parent keeps it";

    // The wheel: a notch is a line; half notches add up.
    parent.notes.clear();
    const auto wheel = [&](QPoint angle) {
        const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
        QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), angle, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &event);
    };
    wheel({0, -120});
    wheel({0, 60});
    EXPECT_EQ(codes(parent.notes), (std::vector<UINT>{SB_LINEDOWN}));
    wheel({0, 60});
    wheel({60, 0});
    wheel({60, 0});
    EXPECT_EQ(codes(parent.notes), (std::vector<UINT>{SB_LINEDOWN, SB_LINEUP, SB_LINEUP}));

    // A vertical bar speaks WM_VSCROLL with the UP/DOWN codes.
    ScrollBar vertical;
    ASSERT_TRUE(vertical.Create(SBS_VERT | WS_VISIBLE, Rect{400, 10, 416, 210}, &parent, 1036));
    vertical.SetScrollInfo(&info);
    auto* vwidget = qobject_cast<QScrollBar*>(test::clientWidget(vertical));
    parent.notes.clear();
    QTest::mouseClick(vwidget, Qt::LeftButton, {},
                      partOf(vwidget, QStyle::SC_ScrollBarAddLine).center());
    ASSERT_EQ(parent.notes.size(), 2u);
    EXPECT_EQ(parent.notes[0].message, WM_VSCROLL);
    EXPECT_EQ(parent.notes[0].code, SB_LINEDOWN);
}
