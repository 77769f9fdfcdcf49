// A small program built only on the layer: a dialog with its own caption row, controls, an
// owner-drawn button, a scroll bar that scrolls a painted DIB, and a popup menu. Used to look at
// the layer on a real display (for example under Xvfb).
#include "platform/core/system_metrics.h"
#include "platform/qt/application.h"
#include "platform/qt/controls.h"
#include "platform/qt/dc.h"
#include "platform/qt/dialog.h"
#include "platform/qt/dialog_template.h"
#include "platform/qt/menu.h"
#include "platform/qt/resources.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using namespace platform;

constexpr UINT kDialogId = 500;
constexpr int kPicture = 1001;
constexpr int kScroll = 1002;
constexpr int kFancy = 1003;
constexpr int kMenuButton = 1004;
constexpr int kName = 1005;
constexpr int kOption = 1006;
constexpr int kSlideButton = 1007;
constexpr UINT kAboutCommand = 16;
constexpr UINT kShowOnStart = WM_APP + 1;

// What the demo opens once it runs (for screenshots): nothing, the popup menu, the sliding popup
// or the system menu.
enum class OnStart { Nothing, Menu, Slide, SystemMenu, Close };
OnStart g_onStart = OnStart::Nothing;

// A 256-colour bottom-up DIB: a sky gradient over hills.
struct Picture {
    std::vector<unsigned char> block;
    const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(block.data()); }
    const unsigned char* bits() const { return block.data() + 40 + 256 * 4; }
    int width = 640;
    int height = 120;

    Picture() {
        const int stride = (width + 3) / 4 * 4;
        block.assign(40 + 256 * 4 + std::size_t(stride) * height, 0);
        BITMAPINFOHEADER h{};
        h.biSize = 40;
        h.biWidth = width;
        h.biHeight = height;
        h.biPlanes = 1;
        h.biBitCount = 8;
        std::memcpy(block.data(), &h, sizeof(h));
        auto* table = reinterpret_cast<RGBQUAD*>(block.data() + 40);
        for (int i = 0; i < 128; ++i)
            table[i] = RGBQUAD{BYTE(255), BYTE(120 + i), BYTE(60 + i), 0};
        for (int i = 128; i < 256; ++i)
            table[i] = RGBQUAD{BYTE(40 + (i - 128) / 2), BYTE(90 + (i - 128) / 2), BYTE(30), 0};
        unsigned char* rows = block.data() + 40 + 256 * 4;
        for (int y = 0; y < height; ++y) {
            const int fromTop = height - 1 - y;
            for (int x = 0; x < width; ++x) {
                const int ridge = 70 + (x * 7 % 40) - (x % 90) / 3;
                rows[std::size_t(y) * stride + x] =
                    fromTop > ridge ? BYTE(128 + (fromTop - ridge)) : BYTE(fromTop);
            }
        }
    }
};

// A popup that slides open from a memory bitmap with client-context block copies, then runs its
// own modal loop with the mouse captured: a click outside or Esc closes it, a click on a row
// chooses it.
class SlidePopup : public Window {
public:
    explicit SlidePopup(Window* owner) : m_owner(owner) {}

    void track(int x, int bottom) {
        m_font.CreatePointFont(80, "MS Sans Serif");
        const Rect r{x, bottom - kHeight, x + kWidth, bottom};
        WindowClass windowClass;
        windowClass.style = CS_DBLCLKS | CS_SAVEBITS;
        windowClass.hasBackground = false;
        if (!CreateEx(0, &windowClass, "", WS_POPUP | WS_CLIPSIBLINGS, r, m_owner)) return;
        ShowWindow(SW_SHOWNA);
        Bitmap picture;
        picture.CreateCompatibleBitmap(nullptr, kWidth, kHeight);
        MemoryDC memory;
        memory.SelectObject(&picture);
        draw(memory);
        ClientDC dc(this);
        const DWORD start = GetTickCount();
        const DWORD duration = std::min<DWORD>(2 * kWidth, 250);
        for (DWORD c = 0; c < duration; c = GetTickCount() - start) {
            const int height = int(kHeight * c / duration);
            dc.BitBlt(0, kHeight - height, kWidth, height, &memory, 0, 0, SRCCOPY);
        }
        dc.BitBlt(0, 0, kWidth, kHeight, &memory, 0, 0, SRCCOPY);
        SetFocus();
        SetCapture();
        RunModalLoop(MLF_NOIDLEMSG | MLF_NOKICKIDLE);
        if (GetCapture() == GetSafeHwnd()) ReleaseCapture();
        DestroyWindow();
    }

    void OnPaint() override {
        PaintDC dc(this);
        draw(dc);
    }
    void OnMouseMove(UINT, Point p) override {
        const int row = rowAt(p);
        if (row == m_selected) return;
        m_selected = row;
        Invalidate(FALSE);
        UpdateWindow();
    }
    void OnLButtonUp(UINT, Point p) override {
        const int row = rowAt(p);
        if (row < 0) return;
        m_owner->PostMessage(WM_COMMAND, 3000 + UINT(row));
        EndModalLoop(1);
    }
    void OnLButtonDown(UINT, Point p) override {
        if (rowAt(p) < 0) EndModalLoop(0);
    }
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override {
        if (key == VK_ESCAPE) return EndModalLoop(0);
        Window::OnKeyDown(key, repeat, flags);
    }
    void OnCancelMode() override { EndModalLoop(0); }

private:
    static constexpr int kWidth = 170;
    static constexpr int kRow = 20;
    static constexpr int kRows = 4;
    static constexpr int kHeight = kRows * kRow + 4;

    int rowAt(Point p) const {
        if (p.x < 0 || p.x >= kWidth || p.y < 2 || p.y >= kHeight - 2) return -1;
        return (p.y - 2) / kRow;
    }
    void draw(DC& dc) {
        const char* labels[kRows] = {"Lookout &Point", "Cascade &Falls\tF", "Mirror &Lake",
                                     "Overview &Map"};
        dc.FillSolidRect(Rect{0, 0, kWidth, kHeight}, PALETTERGB(0, 0, 0));
        dc.SelectObject(&m_font);
        dc.SetBkMode(TRANSPARENT);
        Bitmap check;
        check.LoadOEMBitmap(OBM_CHECK);
        MemoryDC checkDc;
        checkDc.SelectObject(&check);
        for (int i = 0; i < kRows; ++i) {
            Rect row{0, 2 + i * kRow, kWidth, 2 + (i + 1) * kRow};
            row = row.inflate(-2, 0);
            dc.FillSolidRect(row, i == m_selected ? PALETTERGB(217, 211, 156)
                                                  : PALETTERGB(255, 255, 217));
            if (i == 1)
                dc.BitBlt(row.left + 3, row.top + (kRow - 13) / 2, 13, 13, &checkDc, 0, 0, SRCCOPY);
            Rect text = row;
            text.left += 22;
            dc.SetTextColor(PALETTERGB(0, 0, 0));
            dc.DrawText(labels[i], &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        }
    }

    Window* m_owner;
    Font m_font;
    int m_selected = -1;
};

class DemoDialog : public Dialog {
public:
    DemoDialog() : Dialog(kDialogId) {}

    BOOL OnInitDialog() override {
        Dialog::OnInitDialog();
        Menu* system = GetSystemMenu(FALSE);
        system->DeleteMenu(SC_RESTORE, MF_BYCOMMAND);
        system->DeleteMenu(SC_MOVE, MF_BYCOMMAND);
        system->DeleteMenu(SC_SIZE, MF_BYCOMMAND);
        system->DeleteMenu(SC_MAXIMIZE, MF_BYCOMMAND);
        system->AppendMenu(MF_SEPARATOR);
        system->AppendMenu(MF_STRING, kAboutCommand, "&About the layer...");
        SetIcon(LoadIcon(IDI_APPLICATION), TRUE);
        m_bar = dynamic_cast<ScrollBar*>(GetDlgItem(kScroll));
        if (m_bar) {
            Rect area = pictureRect();
            SCROLLINFO info;
            info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
            info.nMin = 0;
            info.nMax = m_picture.width - 1;
            info.nPage = UINT(area.width());
            info.nPos = 0;
            m_bar->SetScrollInfo(&info);
        }
        m_tips.Create(this, TTS_ALWAYSTIP);
        m_tips.AddTool(GetDlgItem(kFancy), "An owner-drawn button");
        if (g_onStart != OnStart::Nothing) PostMessage(kShowOnStart);
        return TRUE;
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != kShowOnStart) return Dialog::WindowProc(message, wParam, lParam);
        switch (g_onStart) {
        case OnStart::Menu:
            SendMessage(WM_COMMAND, MAKEWPARAM(kMenuButton, BN_CLICKED));
            break;
        case OnStart::Slide:
            SendMessage(WM_COMMAND, MAKEWPARAM(kSlideButton, BN_CLICKED));
            break;
        case OnStart::SystemMenu:
            SendMessage(WM_SYSCOMMAND, SC_KEYMENU, ' ');
            break;
        case OnStart::Close:
            SendMessage(WM_CLOSE);
            break;
        case OnStart::Nothing:
            break;
        }
        return 0;
    }

    void DoDataExchange(DataExchange* dx) override {
        DDX_Text(dx, kName, m_name);
        DDV_MaxChars(dx, m_name, 20);
        DDX_Check(dx, kOption, m_option);
    }

    void OnPaint() override {
        PaintDC dc(this);
        const Rect area = pictureRect();
        dc.StretchDIBits(area.left, area.top, area.width(), area.height(), m_offset, 0,
                         area.width(), m_picture.height, m_picture.bits(), m_picture.info(),
                         DIB_RGB_COLORS, SRCCOPY);
        Pen red(PS_SOLID, 2, RGB(255, 0, 0));
        Pen* oldPen = dc.SelectObject(&red);
        GdiObject* oldBrush = dc.SelectStockObject(NULL_BRUSH);
        dc.Rectangle(area.left + 40 - m_offset % 80, area.top + 30, area.left + 100 - m_offset % 80,
                     area.top + 70);
        dc.SelectObject(oldPen);
        dc.SelectObject(oldBrush);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(RGB(255, 255, 255));
        Rect text = area;
        dc.DrawText("&Scroll the hills", &text, DT_CENTER | DT_TOP | DT_SINGLELINE);
    }

    void OnHScroll(UINT code, UINT position, ScrollBar* bar) override {
        if (!bar) return;
        SCROLLINFO info;
        bar->GetScrollInfo(&info);
        int pos = info.nPos;
        const int page = int(info.nPage);
        switch (code) {
        case SB_LINELEFT:
            pos -= 16;
            break;
        case SB_LINERIGHT:
            pos += 16;
            break;
        case SB_PAGELEFT:
            pos -= page;
            break;
        case SB_PAGERIGHT:
            pos += page;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            pos = int(position);
            break;
        default:
            return;
        }
        pos = bar->SetScrollPos(pos) == pos ? pos : bar->GetScrollPos();
        const int delta = m_offset - pos;
        m_offset = pos;
        const Rect area = pictureRect();
        ScrollWindow(delta, 0, &area, &area);
        UpdateWindow();
    }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        switch (LOWORD(wParam)) {
        case kMenuButton: {
            Rect r;
            GetDlgItem(kMenuButton)->GetWindowRect(&r);
            auto menu = CreatePopupMenu();
            auto sub = CreatePopupMenu();
            sub->AppendMenu(MF_STRING | MF_CHECKED, 2001, "&Checked item");
            sub->AppendMenu(MF_STRING | MF_GRAYED, 2002, "&Disabled item");
            menu->AppendMenu(MF_STRING, 2003, "&First\tCtrl+F");
            menu->AppendMenu(MF_SEPARATOR);
            menu->AppendPopup(0, std::move(sub), "&More");
            TrackPopupMenu(menu.get(), TPM_BOTTOMALIGN, r.left, r.top, this);
            return TRUE;
        }
        case kSlideButton: {
            Rect r;
            GetDlgItem(kSlideButton)->GetWindowRect(&r);
            SlidePopup popup(this);
            popup.track(r.left, r.top);
            return TRUE;
        }
        case kFancy:
            m_pressed = !m_pressed;
            GetDlgItem(kFancy)->Invalidate(FALSE);
            return TRUE;
        default:
            return Dialog::OnCommand(wParam, lParam);
        }
    }

    void OnSysCommand(UINT id, LPARAM lParam) override {
        if ((id & 0xFFF0) == kAboutCommand) {
            AfxMessageBox("A platform layer with its own caption row.", MB_ICONINFORMATION);
            return;
        }
        Dialog::OnSysCommand(id, lParam);
    }

    void OnDrawItem(int id, DRAWITEMSTRUCT* item) override {
        if (id != kFancy) return Dialog::OnDrawItem(id, item);
        DC* dc = item->hDC;
        const bool down = (item->itemState & ODS_SELECTED) || m_pressed;
        dc->FillSolidRect(item->rcItem, down ? RGB(120, 160, 90) : RGB(180, 220, 140));
        dc->SetBkMode(TRANSPARENT);
        Rect r = item->rcItem;
        dc->DrawText(down ? "Pressed" : "Owner &drawn", &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }

private:
    Rect pictureRect() const {
        Rect r;
        GetDlgItem(kPicture)->GetWindowRect(&r);
        ScreenToClient(&r);
        return r;
    }

    Picture m_picture;
    ScrollBar* m_bar = nullptr;
    ToolTipCtrl m_tips;
    int m_offset = 0;
    bool m_pressed = false;
    std::string m_name = "Skyline";
    int m_option = 1;
};

class DemoApplication : public Application {
public:
    BOOL InitInstance() override {
        DemoDialog dialog;
        m_pMainWnd = &dialog;
        const INT_PTR result = dialog.DoModal();
        m_pMainWnd = nullptr;
        const Rect work = workArea();
        std::printf("application %s, command line '%s', screen %dx%d, work area %d,%d,%d,%d, "
                    "result %d\n",
                    m_pszAppName.c_str(), m_lpCmdLine.c_str(), GetSystemMetrics(SM_CXSCREEN),
                    GetSystemMetrics(SM_CYSCREEN), work.left, work.top, work.right, work.bottom,
                    int(result));
        return FALSE;
    }
};

void registerDemoResources() {
    DialogTemplate t;
    t.id = kDialogId;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
    t.caption = "Layer demo: Skyline \xA9 1999";
    t.cx = 280;
    t.cy = 150;
    // An invisible frame marks where the picture is painted.
    t.items = {
        dlg::ltext("", kPicture, 8, 8, 200, 74, WS_DISABLED),
        dlg::scrollBar(kScroll, 8, 84, 200, 10, SBS_HORZ | WS_VISIBLE),
        dlg::ltext("&Name:", kIdStatic, 8, 102, 30, 10),
        dlg::editText(kName, 40, 100, 90, 14),
        dlg::autoCheckBox("Use &option", kOption, 140, 102, 68, 10),
        dlg::ownerDrawButton("", kFancy, 8, 124, 80, 18),
        dlg::pushButton("&Menu...", kMenuButton, 96, 124, 50, 14),
        dlg::pushButton("&Slide...", kSlideButton, 152, 124, 50, 14),
        dlg::defPushButton("OK", IDOK, 220, 8, 50, 14),
        dlg::pushButton("Cancel", IDCANCEL, 220, 26, 50, 14),
    };
    t.items[0].style &= ~WS_VISIBLE;
    registerDialogTemplate(t);
}

} // namespace

int main(int argc, char** argv) {
    // --menu, --slide or --system-menu open that once the dialog runs; --close closes it at once.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--menu") == 0) g_onStart = OnStart::Menu;
        if (std::strcmp(argv[i], "--slide") == 0) g_onStart = OnStart::Slide;
        if (std::strcmp(argv[i], "--system-menu") == 0) g_onStart = OnStart::SystemMenu;
        if (std::strcmp(argv[i], "--close") == 0) g_onStart = OnStart::Close;
    }
    DemoApplication app;
    return runApplication(app, argc, argv, registerDemoResources);
}
