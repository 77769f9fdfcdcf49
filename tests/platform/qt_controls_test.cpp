// Controls of the Qt layer beyond the dialog basics: radio-button groups with their clicks, keys,
// CheckRadioButton and DDX_Radio; drop-down list combo boxes with their items, the user's
// selections and notifications; digits-only edit fields.
#include "platform/qt/controls.h"
#include "platform/qt/dialog.h"
#include "platform/qt/dialog_template.h"
#include "platform/qt/test_support.h"
#include "qt_test_windows.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

using namespace platform;
using platform::test::GuiTest;

namespace {

constexpr UINT kOptions = 951;
constexpr int kSizeSmall = 1101, kSizeMedium = 1102, kSizeLarge = 1103;
constexpr int kScaleFeet = 1201, kScaleMetres = 1202;
constexpr int kPlain = 1301;
constexpr int kFrame = 1401;
constexpr int kLanguage = 1501;

class ControlsTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        DialogTemplate options;
        options.id = kOptions;
        options.caption = "Options";
        options.cx = 200;
        options.cy = 150;
        options.items = {
            dlg::autoRadioButton("&Small", kSizeSmall, 12, 14, 60, 10, WS_GROUP | WS_TABSTOP),
            dlg::autoRadioButton("&Medium", kSizeMedium, 12, 26, 60, 10),
            dlg::autoRadioButton("&Large", kSizeLarge, 12, 38, 60, 10),
            // Listed after the buttons it frames, as templates often have it.
            dlg::groupBox("Picture size", kFrame, 6, 4, 80, 50),
            dlg::autoRadioButton("&Feet", kScaleFeet, 100, 14, 60, 10, WS_GROUP | WS_TABSTOP),
            dlg::autoRadioButton("M&etres", kScaleMetres, 100, 26, 60, 10),
            dlg::control("Plain", kPlain, kButtonClass,
                         WS_VISIBLE | BS_RADIOBUTTON | WS_GROUP | WS_TABSTOP, 100, 40, 60, 10),
            dlg::comboBox(kLanguage, 12, 64, 100, 60, CBS_DROPDOWNLIST | WS_GROUP | WS_TABSTOP),
            dlg::defPushButton("OK", IDOK, 140, 130, 50, 14, WS_GROUP | WS_TABSTOP),
        };
        registerDialogTemplate(options);
    }
};

class OptionsDialog : public Dialog {
public:
    OptionsDialog() : Dialog(kOptions) {}
    int size = 1;
    int scale = -1;
    std::vector<WPARAM> commands;
    void DoDataExchange(DataExchange* dx) override {
        DDX_Radio(dx, kSizeSmall, size);
        DDX_Radio(dx, kScaleFeet, scale);
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.push_back(wParam);
        return Dialog::OnCommand(wParam, lParam);
    }
};

struct EndIfStillRunning {
    Dialog& dialog;
    ~EndIfStillRunning() {
        if (dialog.inModalLoop()) dialog.EndDialog(-2);
    }
};

QWidget* widgetOf(Window* w) {
    return w ? w->clientWidget() : nullptr;
}

// The ids of the checked buttons among the ones given.
std::vector<int> checkedOf(Dialog& dialog, std::initializer_list<int> ids) {
    std::vector<int> out;
    for (int id : ids)
        if (dialog.IsDlgButtonChecked(id)) out.push_back(id);
    return out;
}

// A combo box in a plain window that records its commands.
struct ComboFixture {
    RecordingWindow parent;
    ComboBox combo;
    std::vector<UINT> keys;
    explicit ComboFixture(DWORD style = WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST) {
        parent.createTopLevel({50, 50, 450, 350});
        parent.keyDown = [this](UINT key) {
            keys.push_back(key);
            return true;
        };
        combo.Create(style, Rect{10, 10, 160, 130}, &parent, 77);
    }
    QComboBox* widget() { return qobject_cast<QComboBox*>(combo.clientWidget()); }
    std::vector<UINT> notifications() const {
        std::vector<UINT> out;
        for (WPARAM w : parent.commands)
            if (LOWORD(w) == 77) out.push_back(HIWORD(w));
        return out;
    }
};

} // namespace

// Two groups in one dialog: a click checks its button and clears only the other buttons of its
// own group; arrows move within a group; a plain radio button leaves its state to the program;
// DDX_Radio loads and saves indexes, -1 for none.
TEST_F(ControlsTest, RadioGroupsAreExclusiveWithinThemselvesOnly) {
    OptionsDialog dialog;
    dialog.size = 2;
    test::whenModal([&](Window&) {
        EndIfStillRunning guard{dialog};
        const auto sizes = {kSizeSmall, kSizeMedium, kSizeLarge};
        const auto scales = {kScaleFeet, kScaleMetres};
        EXPECT_EQ(checkedOf(dialog, sizes), (std::vector<int>{kSizeLarge})) << "loaded 2";
        EXPECT_TRUE(checkedOf(dialog, scales).empty()) << "loaded -1";

        QTest::mouseClick(widgetOf(dialog.GetDlgItem(kScaleFeet)), Qt::LeftButton);
        EXPECT_EQ(checkedOf(dialog, scales), (std::vector<int>{kScaleFeet}));
        EXPECT_EQ(checkedOf(dialog, sizes), (std::vector<int>{kSizeLarge})) << "other group";
        QTest::mouseClick(widgetOf(dialog.GetDlgItem(kSizeLarge)), Qt::LeftButton);
        QTest::mouseClick(widgetOf(dialog.GetDlgItem(kSizeLarge)), Qt::LeftButton);
        EXPECT_EQ(checkedOf(dialog, sizes), (std::vector<int>{kSizeLarge})) << "stays checked";
        EXPECT_EQ(checkedOf(dialog, scales), (std::vector<int>{kScaleFeet}));

        // The arrows stay in the group, wrap round, and check what they reach.
        Window* large = dialog.GetDlgItem(kSizeLarge);
        large->SetFocus();
        QTest::keyClick(widgetOf(large), Qt::Key_Down);
        EXPECT_EQ(checkedOf(dialog, sizes), (std::vector<int>{kSizeSmall}));
        EXPECT_TRUE(widgetOf(dialog.GetDlgItem(kSizeSmall))->hasFocus());
        QTest::keyClick(widgetOf(dialog.GetDlgItem(kSizeSmall)), Qt::Key_Up);
        EXPECT_EQ(checkedOf(dialog, sizes), (std::vector<int>{kSizeLarge}));
        EXPECT_EQ(checkedOf(dialog, scales), (std::vector<int>{kScaleFeet}));

        // A plain radio button only tells of the click.
        QTest::mouseClick(widgetOf(dialog.GetDlgItem(kPlain)), Qt::LeftButton);
        EXPECT_EQ(dialog.IsDlgButtonChecked(kPlain), 0u);
        dialog.GetDlgItem(kPlain)->SendMessage(BM_SETCHECK, BST_CHECKED, 0);
        EXPECT_EQ(dialog.GetDlgItem(kPlain)->SendMessage(BM_GETCHECK, 0, 0), BST_CHECKED);
        QTest::mouseClick(widgetOf(dialog.GetDlgItem(kPlain)), Qt::LeftButton);
        EXPECT_EQ(dialog.IsDlgButtonChecked(kPlain), 1u) << "nor does a click clear it";

        // The group box lies beneath the buttons it frames, so they take the mouse.
        QWidget* small = widgetOf(dialog.GetDlgItem(kSizeSmall));
        EXPECT_EQ(dialog.clientWidget()->childAt(small->geometry().center()), small);
        EXPECT_NE(dynamic_cast<ComboBox*>(dialog.GetDlgItem(kLanguage)), nullptr);

        // SetCheck changes one button alone; CheckRadioButton sets a whole range.
        dialog.CheckDlgButton(kSizeSmall, BST_CHECKED);
        EXPECT_EQ(checkedOf(dialog, sizes), (std::vector<int>{kSizeSmall, kSizeLarge}));
        EXPECT_EQ(dialog.GetCheckedRadioButton(kSizeSmall, kSizeLarge), kSizeSmall) << "lowest";
        dialog.CheckRadioButton(kSizeSmall, kSizeLarge, kSizeMedium);
        EXPECT_EQ(checkedOf(dialog, sizes), (std::vector<int>{kSizeMedium}));
        EXPECT_EQ(dialog.GetCheckedRadioButton(kSizeSmall, kSizeLarge), kSizeMedium);
        dialog.CheckRadioButton(kScaleFeet, kScaleMetres, 0);
        EXPECT_EQ(dialog.GetCheckedRadioButton(kScaleFeet, kScaleMetres), 0);
        dialog.scale = 5;
        QTest::mouseClick(widgetOf(dialog.GetDlgItem(IDOK)), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.size, 1);
    EXPECT_EQ(dialog.scale, -1) << "saved: none checked";
    // Every click told, the plain button's too; the arrows' two as clicks on what they reached.
    const std::vector<WPARAM> clicks(dialog.commands.begin(), dialog.commands.end() - 1);
    EXPECT_EQ(clicks.size(), 7u);
    EXPECT_EQ(clicks[3], MAKEWPARAM(kSizeSmall, BN_CLICKED));
    EXPECT_EQ(clicks[6], MAKEWPARAM(kPlain, BN_CLICKED));

    test::whenModal(nullptr);
}

// Items in order or sorted, the platform's selection rules, item data, exact search and the
// message interface.
TEST_F(ControlsTest, ComboBoxItemsSelectionAndSearch) {
    ComboFixture sorted(WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT);
    ComboBox& c = sorted.combo;
    const struct {
        const char* text;
        int index;
    } adds[] = {{"Zeta", 0}, {"alpha", 0}, {"Mid", 1}, {"beta", 1}, {"ALPHA", 1}, {"\xC9t\xE9", 5}};
    for (const auto& a : adds)
        EXPECT_EQ(c.AddString(a.text), a.index) << a.text;
    EXPECT_EQ(c.GetCurSel(), CB_ERR) << "adding selects nothing";
    const std::vector<std::string> order = {"alpha", "ALPHA", "beta", "Mid", "Zeta", "\xC9t\xE9"};
    ASSERT_EQ(c.GetCount(), int(order.size()));
    for (int i = 0; i < c.GetCount(); ++i)
        EXPECT_EQ(c.GetLBText(i), order[std::size_t(i)]) << i;
    EXPECT_EQ(sorted.widget()->itemText(5), QString::fromUtf8("\xC3\x89t\xC3\xA9"));

    EXPECT_EQ(c.SetCurSel(3), 3);
    EXPECT_EQ(c.GetWindowText(), "Mid");
    EXPECT_EQ(c.AddString("Aardvark"), 0);
    EXPECT_EQ(c.GetCurSel(), 4) << "the selection moves with its item";
    EXPECT_EQ(c.SetCurSel(7), CB_ERR);
    EXPECT_EQ(c.GetCurSel(), CB_ERR) << "an index out of range clears the selection";
    EXPECT_EQ(c.SetCurSel(-1), CB_ERR);
    EXPECT_TRUE(sorted.notifications().empty()) << "the program's changes are not told";

    EXPECT_EQ(c.SetItemData(2, 0xBEEF), CB_OKAY);
    EXPECT_EQ(c.AddString("Aaa"), 0);
    EXPECT_EQ(c.GetItemData(3), DWORD_PTR(0xBEEF)) << "the data moves with its item";
    EXPECT_EQ(c.GetItemData(9), DWORD_PTR(CB_ERR));

    const struct {
        int startAfter;
        const char* text;
        int found;
    } finds[] = {{-1, "Alpha", 2},    {2, "alpha", 3}, {3, "alpha", 2},
                 {-1, "alp", CB_ERR}, {-1, "MID", 5},  {-1, "\xE9T\xC9", 7}};
    for (const auto& f : finds)
        EXPECT_EQ(c.FindStringExact(f.startAfter, f.text), f.found) << f.text << f.startAfter;

    char buffer[16] = {};
    EXPECT_EQ(c.SendMessage(CB_GETLBTEXT, 5, reinterpret_cast<LPARAM>(buffer)), 3);
    EXPECT_STREQ(buffer, "Mid");
    EXPECT_EQ(c.SendMessage(CB_GETLBTEXT, 9, reinterpret_cast<LPARAM>(buffer)), CB_ERR);
    EXPECT_EQ(c.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Beta2")), 5);
    c.SendMessage(CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(c.GetCount(), 0);
    EXPECT_EQ(c.GetCurSel(), CB_ERR);
}

// The closed box has the toolkit's height whatever the rectangle says; the user's keys change
// the selection and tell it; the list tells when it drops and closes, and Esc in it stays there.
TEST_F(ControlsTest, ComboBoxTellsTheUsersSelectionsAndItsList) {
    ComboFixture f;
    QComboBox* widget = f.widget();
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->height(), widget->sizeHint().height());
    EXPECT_LT(widget->height(), 120);
    EXPECT_EQ(widget->width(), 150);
    f.combo.MoveWindow(10, 20, 180, 200);
    EXPECT_EQ(widget->geometry(), QRect(10, 20, 180, widget->sizeHint().height()))
        << "a new height is the list's too";

    for (const char* text : {"North", "East", "South"})
        f.combo.AddString(text);
    f.combo.SetCurSel(0);
    f.combo.SetFocus();
    QTest::keyClick(widget, Qt::Key_Down);
    EXPECT_EQ(f.combo.GetCurSel(), 1);
    QTest::keyClick(widget, Qt::Key_Up);
    QTest::keyClick(widget, Qt::Key_Up);
    EXPECT_EQ(f.combo.GetCurSel(), 0);
    EXPECT_EQ(f.notifications(), (std::vector<UINT>{CBN_SELCHANGE, CBN_SELCHANGE}))
        << "no change at the top, no notification";

    f.parent.commands.clear();
    QTest::keyClick(widget, Qt::Key_F4);
    QAbstractItemView* list = widget->view();
    ASSERT_TRUE(list->window()->isVisible());
    EXPECT_EQ(f.notifications(), (std::vector<UINT>{CBN_DROPDOWN}));
    QTest::keyClick(list, Qt::Key_Escape);
    test::processEvents();
    EXPECT_FALSE(list->window()->isVisible());
    EXPECT_EQ(f.notifications(), (std::vector<UINT>{CBN_DROPDOWN, CBN_CLOSEUP}));
    EXPECT_TRUE(f.keys.empty()) << "Esc closed the list only";
    EXPECT_EQ(f.combo.GetCurSel(), 0);

    // Enter in the closed box belongs to the window it is in.
    QTest::keyClick(widget, Qt::Key_Return);
    EXPECT_EQ(f.keys, (std::vector<UINT>{VK_RETURN}));
}

// Digits-only fields take no other typed character, keep what the program sets, and keep the
// rule under a text limit.
TEST_F(ControlsTest, NumberEditsTakeOnlyTypedDigits) {
    RecordingWindow parent;
    ASSERT_TRUE(parent.createTopLevel());
    Edit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE | WS_BORDER | ES_NUMBER, Rect{10, 10, 110, 30}, &parent, 3));
    auto* line = qobject_cast<QLineEdit*>(edit.clientWidget());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(edit.GetLimitText(), 32767);
    edit.SetWindowText("12a");
    EXPECT_EQ(edit.GetWindowText(), "12a") << "the program's text is kept whole";
    line->setFocus();
    line->end(false);
    QTest::keyClicks(line, QStringLiteral("3x-4 "));
    EXPECT_EQ(edit.GetWindowText(), "12a34");
    edit.LimitText(6);
    QTest::keyClicks(line, QStringLiteral("b56"));
    EXPECT_EQ(edit.GetWindowText(), "12a345");
}
