// Dialogs of the Qt layer: dialog units, modal loops and their results, Esc and Enter, data
// exchange, owner-drawn buttons taken over by product objects, child dialogs, controls and
// tooltips.
#include "platform/core/system_metrics.h"
#include "platform/qt/controls.h"
#include "platform/qt/dialog.h"
#include "platform/qt/dialog_template.h"
#include "platform/qt/resources.h"
#include "platform/qt/test_support.h"
#include "qt_test_windows.h"

#include <set>

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>

using namespace platform;
using platform::test::GuiTest;

namespace {

constexpr UINT kParams = 901;
constexpr UINT kBar = 902;
constexpr UINT kControls = 903;
constexpr int kEdit = 1012;
constexpr int kCheck = 1030;
constexpr int kOther = 5;
constexpr int kOwnerDrawn = 1006;

class DialogTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        DialogTemplate params;
        params.id = kParams;
        params.caption = "Skyvistas Command Line Parameters";
        params.cx = 264;
        params.cy = 61;
        params.items = {
            dlg::ltext("panname map_path database_path; e.g.:", kIdStatic, 8, 8, 192, 16),
            dlg::editText(kEdit, 8, 32, 192, 16),
            dlg::autoCheckBox("Use &Slide Menus", kCheck, 8, 50, 72, 8),
            dlg::defPushButton("OK", IDOK, 208, 8, 50, 14),
            dlg::pushButton("Cancel", IDCANCEL, 208, 32, 50, 14),
            dlg::pushButton("Other", kOther, 208, 46, 50, 14),
        };
        registerDialogTemplate(params);

        DialogTemplate bar;
        bar.id = kBar;
        bar.style = WS_CHILD | WS_VISIBLE;
        bar.cx = 372;
        bar.cy = 48;
        bar.items = {dlg::ownerDrawButton("IDB_LOCATOR", kOwnerDrawn, 4, 4, 24, 16),
                     dlg::pushButton("Close", 1009, 100, 4, 40, 14)};
        registerDialogTemplate(bar);

        DialogTemplate controls;
        controls.id = kControls;
        controls.caption = "Controls";
        controls.cx = 217;
        controls.cy = 133;
        controls.items = {
            dlg::icon(128, kIdStatic, 11, 17, 18, 20),
            dlg::ltext("Skyvistas 1999 & more", 10, 40, 10, 119, 8, SS_NOPREFIX),
            dlg::ltext("Use &this", 11, 40, 24, 119, 8),
            dlg::editText(kEdit, 40, 40, 100, 12),
            dlg::scrollBar(1035, 40, 60, 100, 10, SBS_HORZ),
            dlg::autoCheckBox("Use Standard Windows Scroll&bars", 1034, 40, 112, 120, 8),
            dlg::autoCheckBox("Use &Windows Background Color", 1031, 40, 96, 60, 10),
            dlg::pushButton("Next to it", 20, 110, 96, 40, 10),
        };
        registerDialogTemplate(controls);
        ASSERT_TRUE(registerIconResource(128, ":/icons/app.png"));
    }
};

// The parameters dialog: exchanges its text and check box, records its commands.
class ParamsDialog : public Dialog {
public:
    explicit ParamsDialog(Window* parent = nullptr) : Dialog(kParams, parent) {}
    std::string text = "initial";
    int check = 1;
    int limit = 80;
    std::vector<UINT> commands;
    bool failCreate = false;
    int endInInit = 0;
    int initialised = 0;

    int OnCreate(CREATESTRUCT* create) override {
        if (failCreate) return -1;
        return Dialog::OnCreate(create);
    }
    BOOL OnInitDialog() override {
        ++initialised;
        Dialog::OnInitDialog();
        if (endInInit) EndDialog(endInInit);
        return TRUE;
    }
    void DoDataExchange(DataExchange* dx) override {
        DDX_Text(dx, kEdit, text);
        DDV_MaxChars(dx, text, limit);
        DDX_Check(dx, kCheck, check);
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (HIWORD(wParam) == BN_CLICKED) commands.push_back(LOWORD(wParam));
        if (LOWORD(wParam) == kOther) {
            EndDialog(77);
            return TRUE;
        }
        return Dialog::OnCommand(wParam, lParam);
    }
};

// A product button that draws itself: records the states it was drawn in.
class ColourButton : public Button {
public:
    std::vector<UINT> states;
    void DrawItem(DRAWITEMSTRUCT* item) override {
        states.push_back(item->itemState);
        item->hDC->FillSolidRect(item->rcItem, (item->itemState & ODS_SELECTED) ? RGB(0, 128, 0)
                                                                                : RGB(0, 255, 0));
    }
};

QWidget* widgetOf(Window* w) {
    return w ? w->clientWidget() : nullptr;
}

// Ends a modal dialog that a test left running (after a failed assertion), so no test hangs.
struct EndIfStillRunning {
    Dialog& dialog;
    ~EndIfStillRunning() {
        if (dialog.inModalLoop()) dialog.EndDialog(-2);
    }
};

} // namespace

TEST(DialogUnits, ConvertWithTheFixedBaseUnitOfMsSansSerifEight) {
    const struct {
        int units, x, y;
    } cases[] = {{0, 0, 0},    {1, 2, 2},    {2, 3, 3},       {3, 5, 5},
                 {4, 6, 7},    {8, 12, 13},  {14, 21, 23},    {16, 24, 26},
                 {50, 75, 81}, {61, 92, 99}, {264, 396, 429}, {-3, -5, -5}};
    for (const auto& c : cases) {
        EXPECT_EQ(dialogUnitsToPixelsX(c.units), c.x) << c.units;
        EXPECT_EQ(dialogUnitsToPixelsY(c.units), c.y) << c.units;
    }
    EXPECT_EQ(dialogItemRect(208, 8, 50, 14), (Rect{312, 13, 312 + 75, 13 + 23}))
        << "each of x, y, cx, cy on its own";
    EXPECT_EQ(MapDialogRect(Rect{208, 8, 258, 22}), (Rect{312, 13, 387, 36})) << "each edge";
}

TEST_F(DialogTest, DoModalRunsUntilEndDialogAndAnswersItsResult) {
    RecordingWindow owner;
    ASSERT_TRUE(owner.createTopLevel(Rect{0, 0, 1024, 768}));
    ParamsDialog dialog(&owner);
    Rect window, client;
    bool ownerEnabled = true, visible = false;
    test::whenModal([&](Window& w) {
        EXPECT_EQ(&w, &dialog);
        visible = w.IsWindowVisible();
        ownerEnabled = owner.IsWindowEnabled();
        w.GetWindowRect(&window);
        w.GetClientRect(&client);
        dialog.EndDialog(42);
    });
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_TRUE(visible);
    EXPECT_FALSE(ownerEnabled) << "the owner is blocked while the dialog runs";
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_FALSE(dialog.exists());
    const int frame = GetSystemMetrics(SM_CXDLGFRAME), caption = GetSystemMetrics(SM_CYCAPTION);
    EXPECT_EQ(client, (Rect{0, 0, 396, 99})) << "264 x 61 dialog units";
    EXPECT_EQ(window.width(), 396 + 2 * frame);
    EXPECT_EQ(window.height(), 99 + 2 * frame + caption);
    EXPECT_EQ((window.left + window.right) / 2, 512) << "centred on the owner";
    EXPECT_EQ((window.top + window.bottom) / 2, 384);

    // A dialog that cannot be made answers -1, and one ended while initialising is never shown.
    ParamsDialog failing;
    failing.failCreate = true;
    EXPECT_EQ(failing.DoModal(), -1);
    EXPECT_EQ(failing.initialised, 0);
    ParamsDialog early;
    early.endInInit = 2;
    bool ran = false;
    test::whenModal([&](Window&) { ran = true; });
    EXPECT_EQ(early.DoModal(), 2);
    EXPECT_FALSE(ran) << "no modal loop ran";
    test::whenModal(nullptr);

    // An object deleted inside its own modal loop leaves its owner taking input.
    auto doomed = std::make_unique<ParamsDialog>(&owner);
    test::whenModal([&](Window&) { QTimer::singleShot(0, [&] { doomed.reset(); }); });
    ParamsDialog* raw = doomed.get();
    EXPECT_EQ(raw->DoModal(), -1);
    EXPECT_TRUE(owner.IsWindowEnabled());
    test::whenModal(nullptr);
    Dialog missing(12345);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST_F(DialogTest, AModalDialogCancelsWhatHoldsTheMouse) {
    class Holder : public RecordingWindow {
    public:
        int cancels = 0;
        void OnCancelMode() override {
            ++cancels;
            ReleaseCapture();
        }
    } holder;
    ASSERT_TRUE(holder.createTopLevel());
    holder.SetCapture();
    ParamsDialog dialog(&holder);
    test::whenModal([&](Window&) {
        EndIfStillRunning guard{dialog};
        EXPECT_EQ(holder.cancels, 1);
        EXPECT_EQ(GetCapture(), nullptr);
        dialog.EndDialog(IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(holder.cancels, 1);

    // A window that leaves the cancel to the default lets the mouse go too.
    RecordingWindow plain;
    ASSERT_TRUE(plain.createTopLevel());
    plain.SetCapture();
    ParamsDialog second(&plain);
    HWND captureDuring = plain.GetSafeHwnd();
    test::whenModal([&](Window&) {
        captureDuring = GetCapture();
        second.EndDialog(IDOK);
    });
    EXPECT_EQ(second.DoModal(), IDOK);
    EXPECT_EQ(captureDuring, nullptr);
    test::whenModal(nullptr);
}

TEST_F(DialogTest, EscCancelsAndEnterPressesTheFocusedOrTheDefaultButton) {
    struct Case {
        const char* label;
        int focus;
        Qt::Key key;
        INT_PTR result;
        UINT command;
    } cases[] = {
        {"Esc in the edit field", kEdit, Qt::Key_Escape, IDCANCEL, IDCANCEL},
        {"Enter in the edit field", kEdit, Qt::Key_Return, IDOK, IDOK},
        {"Enter on the check box", kCheck, Qt::Key_Enter, IDOK, IDOK},
        {"Enter on another push button", kOther, Qt::Key_Return, 77, kOther},
        {"Esc on another push button", kOther, Qt::Key_Escape, IDCANCEL, IDCANCEL},
    };
    for (const Case& c : cases) {
        ParamsDialog dialog;
        test::MessageLog log;
        test::whenModal([&](Window&) {
            EndIfStillRunning guard{dialog};
            Window* focus = dialog.GetDlgItem(c.focus);
            ASSERT_NE(focus, nullptr);
            focus->SetFocus();
            QTest::keyClick(widgetOf(focus), c.key);
        });
        EXPECT_EQ(dialog.DoModal(), c.result) << c.label;
        EXPECT_EQ(dialog.commands, (std::vector<UINT>{c.command})) << c.label;
        // The controls hidden while the dialog goes do not pass the focus among themselves.
        std::set<HWND> destroyed;
        for (const test::LoggedMessage& m : log.messages()) {
            if (m.message == WM_DESTROY) destroyed.insert(m.window);
            if (m.message == WM_SETFOCUS) {
                EXPECT_FALSE(destroyed.count(m.window)) << c.label;
            }
        }
    }
}

TEST_F(DialogTest, DataExchangeFillsTheControlsLimitsTheEditAndStoresOnOk) {
    ParamsDialog dialog;
    dialog.limit = 5;
    std::string shown;
    test::whenModal([&](Window&) {
        EndIfStillRunning guard{dialog};
        auto* edit = qobject_cast<QLineEdit*>(widgetOf(dialog.GetDlgItem(kEdit)));
        ASSERT_NE(edit, nullptr);
        shown = dialog.GetDlgItemText(kEdit);
        EXPECT_EQ(dialog.IsDlgButtonChecked(kCheck), 1u);
        edit->clear();
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("abcdefgh"));
        QTest::mouseClick(widgetOf(dialog.GetDlgItem(kCheck)), Qt::LeftButton, {}, QPoint(4, 4));
        QTest::mouseClick(widgetOf(dialog.GetDlgItem(IDOK)), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(shown, "initial");
    EXPECT_EQ(dialog.text, "abcde") << "the field took five characters";
    EXPECT_EQ(dialog.check, 0) << "the click cleared the check box";
}

TEST_F(DialogTest, AFailedValidationShowsItsMessageAndKeepsTheDialogOpen) {
    ParamsDialog dialog;
    test::whenModal([&](Window&) {
        EndIfStillRunning guard{dialog};
        dialog.limit = 3; // the field holds "initial", seven characters
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(dialog.inModalLoop()) << "OnOK did not end it";
        dialog.limit = 80;
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    ASSERT_EQ(boxes->texts(), (std::vector<std::string>{"Enter no more than 3 characters."}));
    EXPECT_EQ(boxes->calls()[0].type, MB_OK | MB_ICONEXCLAMATION);
}

TEST_F(DialogTest, AProductButtonTakesOverAnOwnerDrawnControlAndDrawsItsStates) {
    RecordingWindow parent;
    ASSERT_TRUE(parent.createTopLevel(Rect{0, 0, 640, 200}));
    class Bar : public Dialog {
    public:
        ColourButton button;
        std::vector<WPARAM> commands;
        BOOL OnInitDialog() override {
            EXPECT_TRUE(button.SubclassDlgItem(kOwnerDrawn, this));
            button.MoveWindow(6, 6, 30, 26);
            return TRUE;
        }
        BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
            commands.push_back(wParam);
            EXPECT_EQ(lParam, reinterpret_cast<LPARAM>(button.GetSafeHwnd()));
            return TRUE;
        }
    } bar;
    ASSERT_TRUE(bar.Create(kBar, &parent));
    EXPECT_EQ(bar.GetDlgItem(kOwnerDrawn), &bar.button);
    EXPECT_TRUE(bar.IsWindowVisible());
    EXPECT_EQ(bar.GetParent(), &parent);
    EXPECT_EQ(bar.GetStyle() & WS_CHILD, WS_CHILD);

    QWidget* widget = widgetOf(&bar.button);
    test::processEvents();
    ASSERT_FALSE(bar.button.states.empty());
    EXPECT_EQ(bar.button.states.back() & ODS_SELECTED, 0u);
    EXPECT_EQ(test::pixelAt(test::grabClient(bar.button), 10, 10), 0x00FF00u);

    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(5, 5));
    test::processEvents();
    EXPECT_NE(bar.button.states.back() & ODS_SELECTED, 0u);
    EXPECT_EQ(test::pixelAt(test::grabClient(bar.button), 10, 10), 0x008000u);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(bar.commands, (std::vector<WPARAM>{MAKEWPARAM(kOwnerDrawn, BN_CLICKED)}));

    bar.button.EnableWindow(FALSE);
    test::processEvents();
    EXPECT_NE(bar.button.states.back() & ODS_DISABLED, 0u);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(bar.commands.size(), 1u) << "a disabled button sends nothing";

    // Esc in a child dialog is left to the window it is in.
    std::vector<UINT> parentKeys;
    parent.keyDown = [&](UINT key) {
        parentKeys.push_back(key);
        return true;
    };
    bar.GetDlgItem(1009)->SetFocus();
    QTest::keyClick(widgetOf(bar.GetDlgItem(1009)), Qt::Key_Escape);
    EXPECT_EQ(parentKeys, (std::vector<UINT>{VK_ESCAPE}));
    EXPECT_TRUE(bar.exists());
}

TEST_F(DialogTest, ControlsShowTheirTextsIconsAndWindowsTexts) {
    Dialog dialog(kControls);
    test::whenModal([&](Window&) {
        EndIfStillRunning guard{dialog};
        auto* noPrefix = qobject_cast<QLabel*>(widgetOf(dialog.GetDlgItem(10)));
        auto* prefixed = qobject_cast<QLabel*>(widgetOf(dialog.GetDlgItem(11)));
        ASSERT_TRUE(noPrefix && prefixed);
        EXPECT_EQ(noPrefix->text(), QStringLiteral("Skyvistas 1999 & more"));
        EXPECT_EQ(prefixed->text(), QStringLiteral("Use <u>t</u>his"));
        EXPECT_EQ(dialog.GetDlgItemText(11), "Use &this");

        bool foundIcon = false;
        for (QLabel* label : dialog.clientWidget()->findChildren<QLabel*>())
            if (!label->pixmap().isNull()) {
                foundIcon = true;
                EXPECT_EQ(label->pixmap().size(), QSize(32, 32));
            }
        EXPECT_TRUE(foundIcon);

        dialog.SetDlgItemText(kEdit, "\xA9 1999 Highcairn");
        auto* edit = qobject_cast<QLineEdit*>(widgetOf(dialog.GetDlgItem(kEdit)));
        EXPECT_EQ(edit->text(), QString::fromUtf8("\xC2\xA9 1999 Highcairn"));
        EXPECT_EQ(dialog.GetDlgItemText(kEdit), "\xA9 1999 Highcairn");

        // Check boxes whose text does not fit grow into the free space beside them.
        QWidget* wide = widgetOf(dialog.GetDlgItem(1034));
        EXPECT_EQ(wide->width(), std::max(180, wide->sizeHint().width()));
        EXPECT_LE(wide->geometry().right(), dialog.clientWidget()->width());
        QWidget* blocked = widgetOf(dialog.GetDlgItem(1031));
        EXPECT_EQ(blocked->geometry().right() + 1, 165) << "up to the button beside it";

        Window* bar = dialog.GetDlgItem(1035);
        ASSERT_NE(dynamic_cast<ScrollBar*>(bar), nullptr);
        EXPECT_FALSE(bar->IsWindowVisible()) << "created hidden, as the template says";
        dialog.EndDialog(IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST_F(DialogTest, TooltipsGiveToolsTheirTextsWithoutMnemonicMarks) {
    registerStrings({{111, "Display the locator map"}, {115, "Close the &skyvista"}});
    RecordingWindow parent;
    ASSERT_TRUE(parent.createTopLevel(Rect{0, 0, 640, 200}));
    Dialog bar;
    ASSERT_TRUE(bar.Create(kBar, &parent));
    Window* locator = bar.GetDlgItem(kOwnerDrawn);
    Window* close = bar.GetDlgItem(1009);
    ToolTipCtrl tips;
    EXPECT_FALSE(tips.AddTool(locator, "early")) << "not created yet";
    ASSERT_TRUE(tips.Create(&bar, TTS_ALWAYSTIP));
    EXPECT_TRUE(parent.frameWidget()->testAttribute(Qt::WA_AlwaysShowToolTips));
    EXPECT_TRUE(tips.AddTool(locator, 111u));
    EXPECT_TRUE(tips.AddTool(close, 115u));
    EXPECT_FALSE(tips.AddTool(close, 999u)) << "no such string";
    EXPECT_EQ(widgetOf(locator)->toolTip(), QStringLiteral("Display the locator map"));
    EXPECT_EQ(widgetOf(close)->toolTip(), QStringLiteral("Close the skyvista"));
    tips.Activate(FALSE);
    EXPECT_TRUE(widgetOf(close)->toolTip().isEmpty());
    tips.Activate(TRUE);
    EXPECT_EQ(tips.GetText(close), "Close the &skyvista");
}
