// The visitor center window: its layout on small and large screens, the list of six entries and
// how entries are drawn, the start record from a hotspot and from the Features menu, every
// failure of its initialisation, the narrative text, the Print buttons' states, closing, and the
// caption that cannot be dragged.
#include "visitor_fixtures.h"

#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include "platform/core/system_metrics.h"
#include "platform/qt/dialog_template.h"
#include "resources/resource_ids.h"

using namespace visitor_test;

namespace {

const std::string kVisitorTitle = "Multimedia Visitor Center: Test Overlook";

std::vector<MediaInfo> sixRecords() {
    std::vector<MediaInfo> records = {record("10000", 0, "Overlook"), record("10000", 1, "Map"),
                                      record("A1", 2, "Peak"),        record("A2", 5, "Falls"),
                                      record("A3", 2, "Lake"),        record("A4", 3, "Another")};
    records[3].media_name = "FALLS.AVI";
    records[5].media_name = "ANOTHER.AVI";
    return records;
}

// The photos and videos the six records name.
void writeSixFiles(const std::filesystem::path& dir) {
    for (const char* name : {"Map.JPG", "Peak.JPG", "Lake.JPG"})
        writePhoto(dir, name, 120, 80);
    writeVideo(dir, "FALLS.AVI");
    writeVideo(dir, "ANOTHER.AVI");
}

std::vector<NarrativeRow> narrativesOfSix() {
    return {{"10000", "{\\b Overlook}\\par Second paragraph."},
            {"A1", "Peak text"},
            {"A2", "Falls text"},
            {"A3", ""},
            {"A4", "Video text"}};
}

std::vector<ExpectedBox> boxesOf(std::vector<std::string> texts) {
    std::vector<ExpectedBox> out;
    for (std::string& t : texts)
        out.push_back({std::move(t), kVisitorTitle});
    return out;
}

} // namespace

// The layout on screens of 640, 800 and 1024 pixels: margins of 2.5 % of the client area, a
// picture area at least 330 wide and 320 high, a list of six 53-pixel entries beside it, the
// command bar in the lower right corner and the text below the picture.
TEST_F(VisitorCenterTest, LayoutOnSmallAndLargeScreens) {
    writeNarratives(data.path(), narrativesOfSix());
    writeSixFiles(data.path());
    setMedia(sixRecords());
    struct Case {
        int screenWidth, screenHeight;
        Rect client, picture, list, bar, text;
    };
    // Client areas: the screen less a 3-pixel frame and the 19-pixel caption.
    const std::vector<Case> cases = {
        {640,
         480,
         {0, 0, 634, 455},
         {16, 11, 346, 331},
         {362, 11, 618, 329},
         {526, 332, 618, 444},
         {14, 342, 508, 446}},
        {800,
         600,
         {0, 0, 794, 575},
         {20, 14, 387, 334},
         {407, 14, 774, 332},
         {682, 445, 774, 561},
         {18, 348, 660, 563}},
        {1024,
         768,
         {0, 0, 1018, 743},
         {25, 19, 497, 339},
         {522, 19, 993, 337},
         {901, 608, 993, 724},
         {23, 358, 874, 726}},
    };
    for (const Case& c : cases) {
        platform::test::setScreenSize(c.screenWidth, c.screenHeight);
        const INT_PTR result = run(0, [&](CMMVCDlg& v) {
            EXPECT_EQ(v.clientRect(), c.client) << c.screenWidth;
            EXPECT_EQ(v.pictureArea(), c.picture) << c.screenWidth;
            EXPECT_EQ(v.listRect(), c.list) << c.screenWidth;
            EXPECT_EQ(v.commandBarRect(), c.bar) << c.screenWidth;
            EXPECT_EQ(v.textRect(), c.text) << c.screenWidth;
            // The list's entries fill its rectangle exactly: six are visible.
            EXPECT_EQ(v.listItemHeight(), 53);
            EXPECT_EQ(v.listBox().GetItemHeight(0), 53);
            EXPECT_EQ(v.listBox().visibleItemCount(), 6) << c.screenWidth;
            Rect area = v.listBox().itemArea();
            EXPECT_EQ(area.height(), 6 * 53) << c.screenWidth;
            Rect text;
            v.textControl().GetWindowRect(&text);
            v.ScreenToClient(&text);
            EXPECT_EQ(text, c.text) << c.screenWidth;
            Rect bar;
            v.commandBar().GetWindowRect(&bar);
            v.ScreenToClient(&bar);
            EXPECT_EQ(bar, c.bar) << c.screenWidth;
        });
        EXPECT_TRUE(ranModally) << c.screenWidth;
        EXPECT_EQ(result, CMMVCDlg::kClosed) << c.screenWidth;
    }
    expectBoxes(boxes->calls(), {}, "layout");
}

// The window: its title with the viewpoint's name, its icon, a system menu without Restore,
// Move, Size and Maximize, and a caption that is client area, so dragging it moves nothing.
TEST_F(VisitorCenterTest, TitleSystemMenuAndACaptionThatCannotBeDragged) {
    writeNarratives(data.path(), narrativesOfSix());
    writeSixFiles(data.path());
    setMedia(sixRecords());
    run(0, [&](CMMVCDlg& v) {
        EXPECT_EQ(v.GetWindowText(), kVisitorTitle);
        EXPECT_NE(v.GetIcon(TRUE), nullptr);
        platform::Menu* menu = v.GetSystemMenu(FALSE);
        ASSERT_NE(menu, nullptr);
        for (UINT command : {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MAXIMIZE})
            EXPECT_EQ(menu->GetMenuState(command, MF_BYCOMMAND), MENU_ITEM_NOT_FOUND) << command;
        EXPECT_NE(menu->GetMenuState(SC_CLOSE, MF_BYCOMMAND), MENU_ITEM_NOT_FOUND);

        Rect before;
        v.GetWindowRect(&before);
        const Rect caption = v.nonClientPart(HTCAPTION);
        const Point onCaption{before.left + caption.left + 60, before.top + caption.top + 5};
        EXPECT_EQ(v.SendMessage(WM_NCHITTEST, 0, pointToLParam(onCaption)), HTCLIENT);
        QWidget* frame = platform::test::frameWidget(v);
        const QPoint at(caption.left + 60, caption.top + 5);
        QTest::mousePress(frame, Qt::LeftButton, {}, at);
        QTest::mouseMove(frame, at + QPoint(80, 60));
        QTest::mouseRelease(frame, Qt::LeftButton, {}, at + QPoint(80, 60));
        Rect after;
        v.GetWindowRect(&after);
        EXPECT_EQ(after, before);
    });
}

// Entries are drawn as their records say: a bump edge, the type's icon (none for types 0 and 3),
// and site, caption and credits in three lines, in the highlight colours when selected.
TEST_F(VisitorCenterTest, EntriesShowIconAndThreeLines) {
    writeNarratives(data.path(), narrativesOfSix());
    writeSixFiles(data.path());
    setMedia(sixRecords());
    run(2, [&](CMMVCDlg& v) {
        CMediaListBox& list = v.listBox();
        EXPECT_TRUE(list.iconsLoaded());
        EXPECT_EQ(list.iconOf(0), nullptr);
        EXPECT_NE(list.iconOf(1), nullptr);
        EXPECT_NE(list.iconOf(2), nullptr);
        EXPECT_NE(list.iconOf(5), nullptr);
        EXPECT_EQ(list.iconOf(3), nullptr);
        EXPECT_EQ(list.recordAt(3), &media[3]);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(media[std::size_t(i)].list_index, i);

        const QImage grab = platform::test::grabClient(list);
        const Rect area = list.itemArea();
        const auto colour = [&](int x, int y) {
            const unsigned p = platform::test::pixelAt(grab, area.left + x, area.top + y);
            return RGB(BYTE(p >> 16), BYTE(p >> 8), BYTE(p));
        };
        // Entry 2 is selected: highlight inside its edge, window colour in entry 1.
        EXPECT_EQ(colour(area.width() - 8, 2 * 53 + 4), GetSysColor(COLOR_HIGHLIGHT) & 0xFFFFFF);
        EXPECT_EQ(colour(area.width() - 8, 53 + 4), GetSysColor(COLOR_WINDOW) & 0xFFFFFF);
        // The bump edge: light outside, dark inside, at the entry's top.
        EXPECT_EQ(colour(area.width() / 2, 53), GetSysColor(COLOR_3DLIGHT) & 0xFFFFFF);
        EXPECT_EQ(colour(area.width() / 2, 54), GetSysColor(COLOR_3DDKSHADOW) & 0xFFFFFF);
        // An icon is drawn for the map (entry 1) and none for the overlook (entry 0).
        const auto differs = [&](int entry) {
            int n = 0;
            for (int y = 10; y < 42; ++y)
                for (int x = 10; x < 42; ++x)
                    n += colour(x, entry * 53 + y) != (GetSysColor(COLOR_WINDOW) & 0xFFFFFF);
            return n;
        };
        EXPECT_EQ(differs(0), 0);
        EXPECT_GT(differs(1), 100);
        // The entry font is 13 pixels high ((53 + 2) / 4); three lines of text are drawn.
        LOGFONT font;
        ASSERT_TRUE(list.entryFont().GetLogFont(&font));
        EXPECT_EQ(font.lfHeight, 13);
        EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
        // Text rows of entry 1 right of the icon: three lines of about 10 pixels each.
        int textRows = 0;
        for (int y = 0; y < 53; ++y) {
            bool dark = false;
            for (int x = 52; x < 200 && !dark; ++x) {
                const COLORREF c = colour(x, 53 + y);
                dark = GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 110;
            }
            textRows += dark;
        }
        EXPECT_GT(textRows, 20) << "three lines of text";
    });
}

// Opening at a hotspot's first record selects it; the Features menu's command opens record 0.
// The list holds the viewpoint's records and the hotspots', in the media array's order.
TEST_F(VisitorCenterTest, StartRecordFromAHotspotAndFromTheFeaturesMenu) {
    writeData({{"TEST0101", "A1", 900, 400, 100, 80, 1}, {"TEST0102", "A2", 1100, 500, 50, 50, 1}},
              {{"10000", "00", "Overlook"},
               {"A1", "00", "Peak"},
               {"A1", "01", "Peak again"},
               {"A2", "00", "Falls"}});
    writeNarratives(data.path(), {{"10000", "Overlook"}, {"A1", "Peak"}, {"A2", "Falls"}});
    writePhoto(data.path(), "PHOTO.JPG", 100, 80);
    auto dialog = open("TEST01", true);
    ASSERT_NE(dialog, nullptr);
    int selected = -2, listed = -1;
    std::string site;
    platform::test::whenModal([&](platform::Window&) {
        CMMVCDlg* v = dialog->visitorCenter();
        ASSERT_NE(v, nullptr);
        selected = v->listBox().GetCurSel();
        listed = v->listBox().GetCount();
        site = v->selectedRecord() ? v->selectedRecord()->site : "";
        v->SendMessage(WM_COMMAND, MAKEWPARAM(CDlgBar::kCloseId, BN_CLICKED));
    });
    const int falls = 1;
    click(*dialog, centreOf(*dialog, falls));
    EXPECT_EQ(selected, 3);
    EXPECT_EQ(site, "Falls");
    EXPECT_EQ(listed, 4);
    EXPECT_EQ(dialog->visitorCenter(), nullptr) << "destroyed when it returns";

    selected = -2;
    platform::test::whenModal([&](platform::Window&) {
        CMMVCDlg* v = dialog->visitorCenter();
        ASSERT_NE(v, nullptr);
        selected = v->listBox().GetCurSel();
        v->SendMessage(WM_CLOSE);
    });
    dialog->SendMessage(WM_COMMAND, MAKEWPARAM(ID_VISITOR_CENTER, 0));
    platform::test::whenModal(nullptr);
    EXPECT_EQ(selected, 0);
    EXPECT_TRUE(boxes->calls().empty());
}

// Every failure of the initialisation shows its messages in order and closes the window with
// cancel before it is ever shown; the narrative table is closed again.
TEST_F(VisitorCenterTest, EveryInitialisationFailureClosesTheWindow) {
    setMedia(sixRecords());
    struct Case {
        const char* label;
        std::function<void()> prepare;
        int start;
        std::vector<ExpectedBox> messages;
        bool withTable = true;
    };
    const auto listWithout1014 = [] {
        platform::DialogTemplate t = *platform::findDialogTemplate(IDD_VISITOR_CENTER);
        t.items.erase(t.items.begin());
        platform::registerDialogTemplate(t);
    };
    const auto barWithoutFace = [] {
        platform::DialogTemplate t = *platform::findDialogTemplate(IDD_DIALOGBAR);
        for (platform::DialogItemTemplate& item : t.items)
            if (item.id == int(IDC_PRINTTEXT)) item.text = "IDB_NOSUCHFACE";
        platform::registerDialogTemplate(t);
    };
    const std::vector<Case> cases = {
        // The bar's pictures report themselves (up, down and disabled) before the window does.
        {"command bar", barWithoutFace, 0,
         boxesOf({"IDB_NOSUCHFACEU", "IDB_NOSUCHFACED", "IDB_NOSUCHFACEX",
                  "Could not create dialog bar"})},
        {"edit control", [] { platform::failNextRichEditCreate(); }, 0,
         boxesOf({"Could not create edit control"})},
        {"list box", listWithout1014, 0, boxesOf({"Could not subclass list box"})},
        {"item height", [] { platform::failNextSetItemHeight(); }, 0,
         boxesOf({"Could not set list box item height"})},
        {"start -1", [] {}, -1,
         boxesOf({"Unable to select item in list box", "Could not initialize list box"})},
        {"start beyond", [] {}, 6,
         boxesOf({"Unable to select item in list box", "Could not initialize list box"})},
        // The table layer reports the file it could not open first.
        {"no narrative table",
         [] {},
         0,
         {{"Error #:   -64", "TABLE LAYER ERROR"},
          {"Could not open narrative table", kVisitorTitle}},
         false},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(data.file("SVNARRAT.DBF"));
        if (c.withTable) writeNarratives(data.path(), narrativesOfSix());
        registerPanoramaResources();
        c.prepare();
        boxes->clear();
        const INT_PTR result = run(c.start);
        registerPanoramaResources();
        EXPECT_EQ(result, CMMVCDlg::kCancelled) << c.label;
        EXPECT_FALSE(ranModally) << c.label << ": never shown";
        expectBoxes(boxes->calls(), c.messages, c.label);
        EXPECT_TRUE(code.tables.empty()) << c.label << ": the table is closed";
    }
    // An empty media array cannot select its start either.
    writeNarratives(data.path(), narrativesOfSix());
    writeSixFiles(data.path());
    boxes->clear();
    count = 0;
    EXPECT_EQ(run(0), CMMVCDlg::kCancelled);
    expectBoxes(boxes->calls(),
                boxesOf({"Unable to select item in list box", "Could not initialize list box"}),
                "no records");
}

// A narrative table without its memo field or tag cannot be read: the table layer reports the
// missing name, then the window its own message.
TEST_F(VisitorCenterTest, ANarrativeTableWithoutItsNamesFails) {
    setMedia(sixRecords());
    dbase::TableDef noTag = viewpoint_tables::narratives();
    noTag.tags.clear();
    writeNarratives(data.path(), narrativesOfSix(), noTag);
    EXPECT_EQ(run(0), CMMVCDlg::kCancelled);
    ASSERT_EQ(boxes->calls().size(), 2u);
    EXPECT_EQ(boxes->calls()[0].caption, "TABLE LAYER ERROR");
    EXPECT_EQ(boxes->calls()[1].text, "Could not open narrative table");
    EXPECT_TRUE(code.tables.empty());
}

// The selected record's narrative is wrapped in the fixed header and trailer and shown in Arial
// 10 point unless it says otherwise; a record without a narrative shows an empty text after its
// message; Print text is enabled whenever something was streamed, Print map is off for videos.
TEST_F(VisitorCenterTest, NarrativeTextAndThePrintButtons) {
    std::string longText;
    for (int i = 0; i < 3000; ++i)
        longText += "Line " + std::to_string(i) + (i % 10 == 9 && i < 2999 ? "\\par " : " ");
    std::vector<NarrativeRow> rows = narrativesOfSix();
    rows.push_back({"LONG", longText});
    writeNarratives(data.path(), rows);
    std::vector<MediaInfo> records = sixRecords();
    records.push_back(record("NONE", 2, "Unlinked"));
    records.push_back(record("LONG", 2, "Long"));
    writeSixFiles(data.path());
    writePhoto(data.path(), "Unlinked.JPG", 60, 40);
    writePhoto(data.path(), "Long.JPG", 60, 40);
    setMedia(records);
    run(0, [&](CMMVCDlg& v) {
        platform::RichEditCtrl& text = v.textControl();
        EXPECT_EQ(text.GetText(), "Overlook\r\nSecond paragraph.");
        const QTextDocument* doc = text.textDocument();
        ASSERT_EQ(doc->blockCount(), 2);
        for (QTextBlock b = doc->firstBlock(); b.isValid(); b = b.next()) {
            const QTextCharFormat f = b.begin().fragment().charFormat();
            EXPECT_EQ(f.fontFamilies().toStringList().value(0), QStringLiteral("Arial"));
            EXPECT_DOUBLE_EQ(f.fontPointSize(), 10.0);
        }
        EXPECT_EQ(doc->firstBlock().begin().fragment().charFormat().fontWeight(), QFont::Bold);
        EXPECT_TRUE(v.commandBar().button(CDlgBar::kPrintTextId)->IsWindowEnabled());
        EXPECT_FALSE(v.commandBar().button(CDlgBar::kPrintMapId)->IsWindowEnabled());
        LOGFONT font;
        ASSERT_TRUE(v.textFont().GetLogFont(&font));
        EXPECT_EQ(font.lfHeight, -12);
        EXPECT_STREQ(font.lfFaceName, "Arial");

        // A blank narrative streams exactly header + trailer, without a message.
        v.listBox().SetCurSel(4);
        v.OnSelChange();
        EXPECT_EQ(narrative::stream().document, narrative::kHeader + narrative::kTrailer);
        EXPECT_EQ(text.GetTextLength(), 0);
        EXPECT_TRUE(boxes->calls().empty());

        // No narrative for the link: the message, then the empty document all the same.
        const int n = v.ShowNarrative("NONE");
        EXPECT_EQ(n, int(narrative::kHeader.size() + narrative::kTrailer.size()));
        expectBoxes(boxes->calls(), boxesOf({"Unable to read text from narrative table"}), "none");
        EXPECT_EQ(text.GetTextLength(), 0);

        // A video record: Print map off, Print text on.
        v.listBox().SetCurSel(3);
        v.OnSelChange();
        EXPECT_FALSE(v.commandBar().button(CDlgBar::kPrintMapId)->IsWindowEnabled());
        EXPECT_TRUE(v.commandBar().button(CDlgBar::kPrintTextId)->IsWindowEnabled());
        EXPECT_EQ(text.GetText(), "Falls text");

        // A long narrative arrives whole: every character counted and shown.
        v.listBox().SetCurSel(7);
        v.OnSelChange();
        const std::string& document = narrative::stream().document;
        EXPECT_GT(document.size(), 4u * 4096u);
        EXPECT_EQ(v.ShowNarrative("LONG"), int(document.size()));
        EXPECT_EQ(narrative::stream().position, document.size());
        const std::string shown = text.GetText();
        EXPECT_NE(shown.find("Line 0 Line 1"), std::string::npos);
        EXPECT_NE(shown.find("Line 2999"), std::string::npos);
        EXPECT_EQ(text.textDocument()->blockCount(), 300);
    });
}

// The user's selection in the list shows that record; closing with the button ends with 1, with
// the close box or Esc as a cancel.
TEST_F(VisitorCenterTest, SelectingAndClosing) {
    writeNarratives(data.path(), narrativesOfSix());
    writeSixFiles(data.path());
    setMedia(sixRecords());
    EXPECT_EQ(run(0,
                  [&](CMMVCDlg& v) {
                      QWidget* list = v.listBox().clientWidget();
                      list->setFocus();
                      QTest::keyClick(list, Qt::Key_Down);
                      QTest::keyClick(list, Qt::Key_Down);
                      EXPECT_EQ(v.listBox().GetCurSel(), 2);
                      EXPECT_EQ(v.textControl().GetText(), "Peak text");
                      QTest::keyClick(list, Qt::Key_Escape);
                  }),
              CMMVCDlg::kCancelled);
    EXPECT_EQ(run(0, [&](CMMVCDlg& v) { v.SendMessage(WM_CLOSE); }), CMMVCDlg::kCancelled);
    EXPECT_EQ(run(0), CMMVCDlg::kClosed);
    EXPECT_TRUE(code.tables.empty()) << "the narrative table is closed with the window";
    EXPECT_TRUE(boxes->calls().empty());
}
