// Dialogs from templates: creation, the modal loop, keys, and dialog data exchange.
#include "platform/qt/dialog.h"

#include "platform/core/message_box.h"
#include "platform/core/system_metrics.h"
#include "platform/qt/application.h"
#include "platform/qt/controls.h"
#include "platform/qt/dialog_template.h"
#include "platform/qt/window_host.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QWidget>

namespace platform {
namespace {

// Thrown by DataExchange::Fail and caught by UpdateData.
struct DataExchangeFailure {};

bool isPushButton(const Window* w) {
    if (!dynamic_cast<const Button*>(w)) return false;
    const DWORD type = w->GetStyle() & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

bool isGroupBox(const Window* w) {
    return dynamic_cast<const Button*>(w) && (w->GetStyle() & BS_TYPEMASK) == BS_GROUPBOX;
}

// The dialog font is wider than the one the templates were laid out for, so the text of a check
// box or radio button may not fit its rectangle. Such a button grows to the right, as far as its
// text needs and the space is free: up to the next control beside it, the frame of a group box
// around it, or the client area's edge.
void widenClippedCheckBoxes(Dialog& dialog) {
    const std::vector<Window*> controls = childrenOf(&dialog);
    Rect client;
    dialog.GetClientRect(&client);
    for (Window* control : controls) {
        const DWORD type = control->GetStyle() & BS_TYPEMASK;
        QWidget* widget = control->clientWidget();
        if (!dynamic_cast<Button*>(control) || !widget ||
            (type != BS_CHECKBOX && type != BS_AUTOCHECKBOX && !isRadioButton(control)))
            continue;
        const QRect g = widget->geometry();
        const int wanted = widget->sizeHint().width();
        if (wanted <= g.width()) continue;
        int limit = client.right;
        for (Window* other : controls) {
            QWidget* neighbour = other->clientWidget();
            if (other == control || !neighbour) continue;
            const QRect n = neighbour->geometry();
            if (isGroupBox(other) && n.contains(g))
                limit = std::min(limit, n.right());
            else if (n.left() > g.left() && n.top() <= g.bottom() && n.bottom() >= g.top())
                limit = std::min(limit, n.left());
        }
        const int width = std::min(wanted, limit - g.left());
        if (width > g.width()) widget->resize(width, g.height());
    }
}

void validationMessage(Dialog* dialog, const std::string& text) {
    MessageBoxA(dialog ? dialog->GetSafeHwnd() : nullptr, text.c_str(), AfxGetAppName(),
                MB_OK | MB_ICONEXCLAMATION);
}

} // namespace

// ---- Data exchange -----------------------------------------------------------------------------

DataExchange::DataExchange(Dialog* dialog, BOOL saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

Window* DataExchange::PrepareCtrl(int id) {
    m_idLastControl = id;
    m_bEditLastControl = false;
    return m_pDlgWnd ? m_pDlgWnd->GetDlgItem(id) : nullptr;
}

Window* DataExchange::PrepareEditCtrl(int id) {
    Window* control = PrepareCtrl(id);
    m_bEditLastControl = true;
    return control;
}

void DataExchange::Fail() {
    if (m_pDlgWnd) {
        if (Window* control = m_pDlgWnd->GetDlgItem(m_idLastControl)) {
            control->SetFocus();
            if (auto* edit = dynamic_cast<Edit*>(control)) edit->SetSel(0, -1);
        }
    }
    throw DataExchangeFailure{};
}

void DDX_Text(DataExchange* dx, int id, std::string& value) {
    Window* control = dx->PrepareEditCtrl(id);
    if (!control) return;
    if (dx->m_bSaveAndValidate)
        value = control->GetWindowText();
    else
        control->SetWindowText(value.c_str());
}

void DDX_Text(DataExchange* dx, int id, int& value) {
    Window* control = dx->PrepareEditCtrl(id);
    if (!control) return;
    if (!dx->m_bSaveAndValidate) {
        control->SetWindowText(std::to_string(value).c_str());
        return;
    }
    const std::string text = control->GetWindowText();
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t')
        ++begin;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(begin, &end, 10);
    while (end && (*end == ' ' || *end == '\t'))
        ++end;
    if (end == begin || !end || *end != 0 || errno == ERANGE || parsed < INT32_MIN ||
        parsed > INT32_MAX) {
        validationMessage(dx->m_pDlgWnd, "Please enter an integer.");
        dx->Fail();
    }
    value = int(parsed);
}

void DDX_Check(DataExchange* dx, int id, int& value) {
    auto* button = dynamic_cast<Button*>(dx->PrepareCtrl(id));
    if (!button) return;
    if (dx->m_bSaveAndValidate)
        value = button->GetCheck();
    else
        button->SetCheck(value ? BST_CHECKED : BST_UNCHECKED);
}

void DDX_Radio(DataExchange* dx, int id, int& value) {
    Window* first = dx->PrepareCtrl(id);
    if (!first) return;
    std::vector<Window*> group = dialogGroupOf(first);
    group.erase(group.begin(), std::find(group.begin(), group.end(), first));
    if (dx->m_bSaveAndValidate) value = -1;
    int index = 0;
    for (Window* control : group) {
        if (!isRadioButton(control)) continue;
        auto* button = static_cast<Button*>(control);
        if (dx->m_bSaveAndValidate) {
            if (button->GetCheck() == BST_CHECKED && value < 0) value = index;
        } else {
            button->SetCheck(index == value ? BST_CHECKED : BST_UNCHECKED);
        }
        ++index;
    }
}

void DDX_Scroll(DataExchange* dx, int id, int& value) {
    auto* bar = dynamic_cast<ScrollBar*>(dx->PrepareCtrl(id));
    if (!bar) return;
    if (dx->m_bSaveAndValidate)
        value = bar->GetScrollPos();
    else
        bar->SetScrollPos(value);
}

void DDV_MaxChars(DataExchange* dx, const std::string& value, int maxChars) {
    if (!dx->m_bSaveAndValidate) {
        if (dx->m_bEditLastControl && dx->m_pDlgWnd)
            if (auto* edit = dynamic_cast<Edit*>(dx->m_pDlgWnd->GetDlgItem(dx->m_idLastControl)))
                edit->LimitText(maxChars);
        return;
    }
    if (int(value.size()) > maxChars) {
        char text[80];
        std::snprintf(text, sizeof(text), "Enter no more than %d characters.", maxChars);
        validationMessage(dx->m_pDlgWnd, text);
        dx->Fail();
    }
}

// ---- Dialog ------------------------------------------------------------------------------------

Dialog::Dialog() = default;
Dialog::Dialog(UINT templateId, Window* parent) : m_templateId(templateId), m_parent(parent) {}
Dialog::~Dialog() = default;

BOOL Dialog::createFromTemplate(Window* owner, bool modal) {
    const DialogTemplate* t = findDialogTemplate(m_templateId);
    if (!t || exists()) return FALSE;
    const bool child = (t->style & WS_CHILD) != 0;
    if (child && (!owner || !owner->exists())) return FALSE;
    const DWORD style = t->style & ~WS_VISIBLE;
    const int clientWidth = dialogUnitsToPixelsX(t->cx);
    const int clientHeight = dialogUnitsToPixelsY(t->cy);
    Rect rect;
    if (child) {
        rect = dialogItemRect(t->x, t->y, t->cx, t->cy);
    } else {
        const int f = frameWidthOf(style, t->exStyle), c = captionHeightOf(style);
        const int width = clientWidth + 2 * f, height = clientHeight + 2 * f + c;
        const bool centre = (t->x == 0 && t->y == 0) || (t->style & DS_CENTER);
        Rect area = workArea();
        if (owner && owner->exists()) owner->GetWindowRect(&area);
        if (centre) {
            const int left = (area.left + area.right) / 2 - width / 2;
            const int top = (area.top + area.bottom) / 2 - height / 2;
            rect = Rect{left, top, left + width, top + height};
        } else {
            Point origin{0, 0};
            if (owner && owner->exists()) owner->ClientToScreen(&origin);
            const int left = origin.x + dialogUnitsToPixelsX(t->x);
            const int top = origin.y + dialogUnitsToPixelsY(t->y);
            rect = Rect{left, top, left + width, top + height};
        }
    }
    m_ended = false;
    m_result = 0;
    data().dialog = true;
    data().modal = modal;
    WindowClass windowClass;
    const std::shared_ptr<bool> alive = data().alive;
    if (!CreateEx(t->exStyle, &windowClass, t->caption.c_str(), style, rect, owner,
                  child ? t->id : 0))
        return FALSE;
    if (!*alive || !exists()) return FALSE;
    const HWND handle = GetSafeHwnd();

    QFont font(QString::fromLatin1(t->fontFace.c_str()));
    font.setPixelSize(std::max((t->fontPointSize * 96 + 36) / 72, 1));
    clientWidget()->setFont(font);
    for (const DialogItemTemplate& item : t->items) {
        const Rect itemRect = dialogItemRect(item.x, item.y, item.cx, item.cy);
        std::unique_ptr<Window> control = createControl(item, this, itemRect);
        if (!control) {
            DestroyWindow();
            return FALSE;
        }
        data().ownedControls.push_back(std::move(control));
    }
    widenClippedCheckBoxes(*this);
    const LRESULT focusDefault = dispatchMessage(*this, WM_INITDIALOG, 0, 0);
    if (!*alive || !IsWindow(handle)) return FALSE;
    if (focusDefault) {
        for (Window* control : childrenOf(this)) {
            if ((control->GetStyle() & WS_TABSTOP) && control->IsWindowVisible() &&
                control->IsWindowEnabled()) {
                control->SetFocus();
                break;
            }
        }
    }
    return TRUE;
}

INT_PTR Dialog::DoModal() {
    Window* owner = m_parent;
    if (!owner) {
        Window* main = mainWindow();
        if (main && main != this && main->exists()) owner = main;
    }
    if (owner && !owner->exists()) owner = nullptr;
    const std::shared_ptr<bool> alive = data().alive;
    if (!createFromTemplate(owner, true)) {
        if (*alive && exists()) DestroyWindow();
        return -1;
    }
    Window* ownerTop = owner ? owner->GetTopLevelParent() : nullptr;
    const HWND ownerHandle = ownerTop ? ownerTop->GetSafeHwnd() : nullptr;
    if (!m_ended) {
        // Whatever holds the mouse (a menu, a drag) ends before the dialog takes over.
        cancelModes();
        if (ownerTop) ++ownerTop->data().modalBlocks;
        if (QWidget* frame = frameWidget())
            frame->setWindowModality(ownerTop ? Qt::WindowModal : Qt::ApplicationModal);
        ShowWindow(SW_SHOW);
        // Showing runs handlers (activation, the first paint) that may already end the dialog.
        if (*alive && exists() && !m_ended) RunModalLoop(0);
        // The owner takes input again even when this object went away in its own loop.
        if (Window* live = Window::FromHandle(ownerHandle))
            if (live->data().modalBlocks > 0) --live->data().modalBlocks;
        if (!*alive) return -1;
    }
    const int result = m_ended ? m_result : -1;
    if (exists()) DestroyWindow();
    if (*alive) data().modal = false;
    if (Window* live = Window::FromHandle(ownerHandle))
        if (live->IsWindowVisible()) live->SetForegroundWindow();
    return result;
}

BOOL Dialog::Create(UINT templateId, Window* parent) {
    m_templateId = templateId;
    m_parent = parent;
    const std::shared_ptr<bool> alive = data().alive;
    if (!createFromTemplate(parent, false)) return FALSE;
    if (!*alive || !exists()) return FALSE;
    const DialogTemplate* t = findDialogTemplate(templateId);
    if (t && (t->style & WS_VISIBLE)) ShowWindow(SW_SHOW);
    return exists() ? TRUE : FALSE;
}

void Dialog::EndDialog(int result) {
    m_result = result;
    m_ended = true;
    if (data().modal) {
        EndModalLoop(result);
    } else if (exists()) {
        ShowWindow(SW_HIDE);
    }
}

BOOL Dialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void Dialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void Dialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void Dialog::DoDataExchange(DataExchange*) {}

BOOL Dialog::UpdateData(BOOL saveAndValidate) {
    DataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const DataExchangeFailure&) {
        return FALSE;
    }
    return TRUE;
}

void Dialog::SetDlgItemText(int id, const char* text) {
    if (Window* control = GetDlgItem(id)) control->SetWindowText(text);
}

std::string Dialog::GetDlgItemText(int id) const {
    const Window* control = GetDlgItem(id);
    return control ? control->GetWindowText() : std::string();
}

void Dialog::CheckDlgButton(int id, UINT check) {
    if (auto* button = dynamic_cast<Button*>(GetDlgItem(id))) button->SetCheck(int(check));
}

UINT Dialog::IsDlgButtonChecked(int id) const {
    const auto* button = dynamic_cast<const Button*>(GetDlgItem(id));
    return button ? UINT(button->GetCheck()) : 0;
}

void Dialog::CheckRadioButton(int firstId, int lastId, int checkId) {
    for (Window* control : childrenOf(this)) {
        const int id = control->GetDlgCtrlID();
        if (auto* button = dynamic_cast<Button*>(control); button && id >= firstId && id <= lastId)
            button->SetCheck(id == checkId ? BST_CHECKED : BST_UNCHECKED);
    }
}

int Dialog::GetCheckedRadioButton(int firstId, int lastId) const {
    int checked = 0;
    for (Window* control : childrenOf(this)) {
        const int id = control->GetDlgCtrlID();
        const auto* button = dynamic_cast<const Button*>(control);
        if (button && id >= firstId && id <= lastId && button->GetCheck() == BST_CHECKED &&
            (checked == 0 || id < checked))
            checked = id;
    }
    return checked;
}

void Dialog::GotoDlgCtrl(Window* control) {
    if (control) control->SetFocus();
}

UINT Dialog::GetDefID() const {
    if (m_defId) return m_defId;
    for (Window* control : childrenOf(this))
        if (dynamic_cast<Button*>(control) &&
            (control->GetStyle() & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return UINT(control->GetDlgCtrlID());
    return IDOK;
}

void Dialog::SetDefID(UINT id) {
    m_defId = id;
}

void Dialog::MapDialogRect(Rect* rect) const {
    if (rect) *rect = platform::MapDialogRect(*rect);
}

LRESULT Dialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return OnInitDialog();
    return Window::WindowProc(message, wParam, lParam);
}

BOOL Dialog::OnCommand(WPARAM wParam, LPARAM) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (code != BN_CLICKED) return FALSE;
    if (id == IDOK) {
        OnOK();
        return TRUE;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

void Dialog::OnClose() {
    SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void Dialog::OnKeyDown(UINT key, UINT repeat, UINT flags) {
    if (!(GetStyle() & WS_CHILD)) {
        if (key == VK_ESCAPE) {
            Window* cancel = GetDlgItem(IDCANCEL);
            SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                        reinterpret_cast<LPARAM>(cancel ? cancel->GetSafeHwnd() : nullptr));
            return;
        }
        if (key == VK_RETURN) {
            // A push button with the focus, here or in a child dialog inside this one (a command
            // bar), is the one Enter presses; otherwise the default button.
            Window* focus = Window::FromHandle(::GetFocus());
            if (focus && isPushButton(focus) && focus->GetTopLevelParent() == this &&
                focus->GetParent()) {
                if (!focus->IsWindowEnabled()) return;
                focus->GetParent()->SendMessage(WM_COMMAND,
                                                MAKEWPARAM(WORD(focus->GetDlgCtrlID()), BN_CLICKED),
                                                reinterpret_cast<LPARAM>(focus->GetSafeHwnd()));
                return;
            }
            const UINT id = GetDefID();
            Window* button = GetDlgItem(int(id));
            if (button && !button->IsWindowEnabled()) return;
            SendMessage(WM_COMMAND, MAKEWPARAM(WORD(id), BN_CLICKED),
                        reinterpret_cast<LPARAM>(button ? button->GetSafeHwnd() : nullptr));
            return;
        }
    }
    Window::OnKeyDown(key, repeat, flags);
}

} // namespace platform
