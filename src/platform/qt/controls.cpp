// The standard controls on toolkit widgets, the tooltip control and the control-class registry.
#include "platform/qt/controls.h"

#include "platform/core/system_metrics.h"
#include "platform/qt/dc.h"
#include "platform/qt/list_box.h"
#include "platform/qt/rich_edit.h"
#include "platform/qt/resources.h"
#include "platform/qt/text_codec.h"
#include "platform/qt/window_host.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

#include <QAbstractButton>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QValidator>
#include <QWheelEvent>

namespace platform {
namespace {

// The longest text an edit field takes (the toolkit's own maximum).
constexpr int kMaxEditText = 32767;

void notifyParent(Window& control, UINT message, WPARAM wParam) {
    Window* parent = control.GetParent();
    if (parent && parent->exists())
        dispatchMessage(*parent, message, wParam, reinterpret_cast<LPARAM>(control.GetSafeHwnd()));
}

void notifyCommand(const QWidget* widget, UINT code) {
    if (Window* w = windowOfWidget(widget))
        notifyParent(*w, WM_COMMAND, MAKEWPARAM(WORD(w->GetDlgCtrlID()), WORD(code)));
}

// Static text with "&" marks as rich text: "&x" underlines x, "&&" is one ampersand.
QString labelText(const std::string& text, DWORD style) {
    QString plain = fromWindows1252(text);
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (style & SS_NOPREFIX) return plain;
    QString html;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const QChar c = plain[i];
        if (c == u'&' && i + 1 < plain.size()) {
            const QChar next = plain[++i];
            if (next == u'&')
                html += QStringLiteral("&amp;");
            else
                html +=
                    QStringLiteral("<u>") + QString(next).toHtmlEscaped() + QStringLiteral("</u>");
        } else if (c == u'\n') {
            html += QStringLiteral("<br>");
        } else {
            html += QString(c).toHtmlEscaped();
        }
    }
    return html;
}

void setLabel(QLabel* label, const std::string& text, DWORD style) {
    label->setTextFormat((style & SS_NOPREFIX) ? Qt::PlainText : Qt::RichText);
    label->setText(labelText(text, style));
}

// Controls fill their own background with the dialog colour, so the parent never repaints
// beneath them.
void fillWithDialogColour(QWidget* widget) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, toQColor(GetSysColor(COLOR_3DFACE)));
    widget->setPalette(palette);
}

// An owner-drawn button: painted by WM_DRAWITEM to its parent.
class OwnerDrawButton : public QAbstractButton {
public:
    explicit OwnerDrawButton(QWidget* parent = nullptr) : QAbstractButton(parent) {
        setProperty("platformPaints", true);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        Window* w = windowOfWidget(this);
        if (!w) return;
        WindowData* d = &w->data();
        if (paintPendingOperation(this, *d)) return;
        QPainter painter(this);
        PaintContext context;
        context.painter = &painter;
        context.region = event->region();
        context.rcPaint = fromQRect(event->region().boundingRect());
        PaintContext* previous = d->activePaint;
        d->activePaint = &context;
        const std::shared_ptr<bool> alive = d->alive;
        {
            PaintDC dc(w);
            DRAWITEMSTRUCT item;
            item.CtlType = ODT_BUTTON;
            item.CtlID = UINT(w->GetDlgCtrlID());
            item.itemAction = ODA_DRAWENTIRE;
            item.itemState = (isDown() ? ODS_SELECTED : 0) | (isEnabled() ? 0 : ODS_DISABLED) |
                             (hasFocus() ? ODS_FOCUS : 0);
            item.hwndItem = w->GetSafeHwnd();
            item.hDC = &dc;
            item.rcItem = Rect{0, 0, width(), height()};
            Window* parent = w->GetParent();
            if (parent && parent->exists())
                dispatchMessage(*parent, WM_DRAWITEM, WPARAM(item.CtlID),
                                reinterpret_cast<LPARAM>(&item));
        }
        if (*alive) d->activePaint = previous;
    }

    // The arrow keys are not the button's: they travel on to the windows it sits in (the toolkit
    // would otherwise move the focus along the buttons). Space still presses it.
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            event->ignore();
            return;
        default:
            QAbstractButton::keyPressEvent(event);
        }
    }
};

// A scroll bar that keeps the platform's scroll information and never moves by itself.
class ScrollBarWidget : public QScrollBar {
public:
    explicit ScrollBarWidget(Qt::Orientation orientation) : QScrollBar(orientation) {
        setTracking(false);
        connect(this, &QAbstractSlider::actionTriggered, this,
                [this](int action) { onAction(action); });
        connect(this, &QAbstractSlider::sliderPressed, this, [this] {
            m_tracking = true;
            m_trackPos = sliderPosition();
        });
        connect(this, &QAbstractSlider::sliderMoved, this, [this](int position) {
            m_trackPos = position;
            notify(SB_THUMBTRACK, position);
        });
        connect(this, &QAbstractSlider::sliderReleased, this, [this] {
            m_tracking = false;
            notify(SB_THUMBPOSITION, m_trackPos);
        });
        sync();
    }

    int m_min = 0;
    int m_max = 100;
    UINT m_page = 0;
    int m_pos = 0;

    int highestPosition() const {
        const std::int64_t highest = std::int64_t(m_max) - std::max<std::int64_t>(m_page, 1) + 1;
        return int(std::max<std::int64_t>(m_min, highest));
    }
    void clamp() {
        const std::int64_t range = std::int64_t(m_max) - m_min + 1;
        if (range <= 0)
            m_page = 0;
        else if (std::int64_t(m_page) > range)
            m_page = UINT(range);
        m_pos = std::clamp(m_pos, m_min, highestPosition());
    }
    void sync() {
        const QSignalBlocker blocker(this);
        setRange(m_min, highestPosition());
        setPageStep(int(std::max<UINT>(m_page, 1)));
        setSingleStep(1);
        if (!m_tracking) {
            setValue(m_pos);
            setSliderPosition(m_pos);
        }
    }
    bool tracking() const { return m_tracking; }
    int trackPos() const { return m_tracking ? m_trackPos : m_pos; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QScrollBar::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton) {
            m_tracking = false;
            sync();
            notify(SB_ENDSCROLL, 0);
        }
    }
    // The toolkit's context menu moves the thumb itself for "Scroll here"; that becomes a thumb
    // position for the parent to take or refuse, like a drag. Its other entries are actions.
    void contextMenuEvent(QContextMenuEvent* event) override {
        QScrollBar::contextMenuEvent(event);
        if (value() == m_pos) return;
        const int position = value();
        sync();
        notify(SB_THUMBPOSITION, position);
        notify(SB_ENDSCROLL, 0);
    }
    // A notch is a line; finer wheels and touch pads add up their parts until they make one.
    // A wheel turned sideways moves a bar as well.
    void wheelEvent(QWheelEvent* event) override {
        event->accept();
        const QPoint delta = event->angleDelta();
        m_wheelRest += delta.y() != 0 ? delta.y() : delta.x();
        const int steps = m_wheelRest / WHEEL_DELTA;
        m_wheelRest -= steps * WHEEL_DELTA;
        for (int i = 0; i < std::abs(steps); ++i)
            notify(steps > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
    }

private:
    void onAction(int action) {
        UINT code;
        switch (action) {
        case SliderSingleStepAdd:
            code = SB_LINEDOWN;
            break;
        case SliderSingleStepSub:
            code = SB_LINEUP;
            break;
        case SliderPageStepAdd:
            code = SB_PAGEDOWN;
            break;
        case SliderPageStepSub:
            code = SB_PAGEUP;
            break;
        case SliderToMinimum:
            code = SB_TOP;
            break;
        case SliderToMaximum:
            code = SB_BOTTOM;
            break;
        default:
            return; // SliderMove: the drag reports itself
        }
        // Undo the toolkit's own step; the parent decides where the thumb goes.
        setSliderPosition(m_pos);
        notify(code, 0);
    }
    void notify(UINT code, int position) {
        Window* w = windowOfWidget(this);
        if (!w) return;
        const UINT message = orientation() == Qt::Horizontal ? WM_HSCROLL : WM_VSCROLL;
        notifyParent(*w, message, MAKEWPARAM(WORD(code), WORD(position)));
    }

    bool m_tracking = false;
    int m_trackPos = 0;
    int m_wheelRest = 0;
};

// The platform's text limit: the user cannot make the text longer than the limit, while text
// set by the program is kept whole (the toolkit's maxLength would cut it).
class LimitValidator : public QValidator {
public:
    LimitValidator(QLineEdit* edit, int limit)
        : QValidator(edit), m_limit(limit), m_accepted(edit->text().size()) {
        // The field already holds the edited text while it is validated, so the length to
        // compare with is the one last accepted.
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString& text) { m_accepted = text.size(); });
    }
    State validate(QString& input, int&) const override {
        return input.size() > m_limit && input.size() > m_accepted ? Invalid : Acceptable;
    }
    int limit() const { return m_limit; }

private:
    int m_limit;
    qsizetype m_accepted;
};

ScrollBarWidget* scrollBarOf(const Window* w) {
    return w ? dynamic_cast<ScrollBarWidget*>(w->clientWidget()) : nullptr;
}

std::string upperAscii(std::string s) {
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

template <typename Control> ControlFactory simpleFactory() {
    return [](const DialogItemTemplate& item, Window* parent,
              const Rect& rect) -> std::unique_ptr<Window> {
        auto control = std::make_unique<Control>();
        if constexpr (std::is_same_v<Control, StaticText> || std::is_same_v<Control, Button>) {
            if (!control->Create(item.text.c_str(), item.style, rect, parent, UINT(item.id)))
                return nullptr;
            if constexpr (std::is_same_v<Control, StaticText>) {
                if ((item.style & SS_TYPEMASK) == SS_ICON && item.resourceId)
                    control->SetIcon(LoadIcon(item.resourceId));
            }
        } else {
            if (!control->Create(item.style, rect, parent, UINT(item.id))) return nullptr;
        }
        return control;
    };
}

std::map<std::string, ControlFactory>& factories() {
    static std::map<std::string, ControlFactory> table = [] {
        std::map<std::string, ControlFactory> t;
        t[upperAscii(kStaticClass)] = simpleFactory<StaticText>();
        t[upperAscii(kButtonClass)] = simpleFactory<Button>();
        t[upperAscii(kEditClass)] = simpleFactory<Edit>();
        t[upperAscii(kScrollBarClass)] = simpleFactory<ScrollBar>();
        t[upperAscii(kListBoxClass)] = simpleFactory<ListBox>();
        t[upperAscii(kRichEditClass)] = simpleFactory<RichEditCtrl>();
        return t;
    }();
    return table;
}

bool canHoldControl(Window* parent) {
    return parent && parent->exists() && parent->clientWidget();
}

} // namespace

// ---- Text of control widgets -------------------------------------------------------------------

bool controlText(const QWidget* widget, std::string* out) {
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        *out = toWindows1252(edit->text());
        return true;
    }
    return false;
}

bool setControlText(QWidget* widget, const std::string& text, DWORD style) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        if ((style & SS_TYPEMASK) != SS_ICON) setLabel(label, text, style);
        return true;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(fromWindows1252(text));
        return true;
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(fromWindows1252(text));
        return true;
    }
    if (dynamic_cast<OwnerDrawButton*>(widget)) {
        widget->update();
        return true;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(fromWindows1252(text));
        return true;
    }
    return false;
}

// ---- StaticText --------------------------------------------------------------------------------

BOOL StaticText::Create(const char* text, DWORD style, const Rect& rect, Window* parent, UINT id) {
    if (exists() || !canHoldControl(parent)) return FALSE;
    auto* label = new QLabel;
    label->setContentsMargins(0, 0, 0, 0);
    label->setMargin(0);
    label->setIndent(0);
    fillWithDialogColour(label);
    const DWORD type = style & SS_TYPEMASK;
    Qt::Alignment alignment = Qt::AlignTop | Qt::AlignLeft;
    if (type == SS_CENTER) alignment = Qt::AlignTop | Qt::AlignHCenter;
    if (type == SS_RIGHT) alignment = Qt::AlignTop | Qt::AlignRight;
    label->setAlignment(alignment);
    label->setWordWrap(type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT);
    label->setFocusPolicy(Qt::NoFocus);
    if (type != SS_ICON) setLabel(label, text ? text : "", style);
    attachControlWidget(*this, label, parent, id, style & ~WS_TABSTOP, 0, rect, text);
    return TRUE;
}

HICON StaticText::SetIcon(HICON icon) {
    auto* label = qobject_cast<QLabel*>(clientWidget());
    if (!label) return nullptr;
    const QVariant previous = label->property("platformIcon");
    label->setProperty("platformIcon", QVariant::fromValue(reinterpret_cast<quintptr>(icon)));
    if (icon)
        label->setPixmap(QPixmap::fromImage(
            icon->image(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON))));
    else
        label->clear();
    return previous.isValid() ? reinterpret_cast<HICON>(previous.value<quintptr>()) : nullptr;
}

// ---- Edit --------------------------------------------------------------------------------------

BOOL Edit::Create(DWORD style, const Rect& rect, Window* parent, UINT id) {
    if (exists() || !canHoldControl(parent)) return FALSE;
    auto* edit = new QLineEdit;
    edit->setFrame((style & WS_BORDER) != 0);
    if (style & ES_CENTER)
        edit->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    else if (style & ES_RIGHT)
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setReadOnly((style & ES_READONLY) != 0);
    if (style & ES_PASSWORD) edit->setEchoMode(QLineEdit::Password);
    if (style & ES_UPPERCASE)
        QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
            const QString upper = text.toUpper();
            if (upper != text) {
                const int cursor = edit->cursorPosition();
                edit->setText(upper);
                edit->setCursorPosition(cursor);
            }
        });
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [edit] { notifyCommand(edit, EN_CHANGE); });
    attachControlWidget(*this, edit, parent, id, style, 0, rect, nullptr);
    return TRUE;
}

void Edit::LimitText(int maxChars) {
    auto* edit = qobject_cast<QLineEdit*>(clientWidget());
    if (!edit) return;
    const int limit = maxChars <= 0 ? kMaxEditText : std::min(maxChars, kMaxEditText);
    const QValidator* previous = edit->validator();
    edit->setValidator(new LimitValidator(edit, limit));
    delete previous;
}

int Edit::GetLimitText() const {
    auto* edit = qobject_cast<QLineEdit*>(clientWidget());
    if (!edit) return 0;
    const auto* limit = dynamic_cast<const LimitValidator*>(edit->validator());
    return limit ? limit->limit() : kMaxEditText;
}

void Edit::SetSel(int start, int end) {
    auto* edit = qobject_cast<QLineEdit*>(clientWidget());
    if (!edit) return;
    const int length = int(edit->text().size());
    if (start < 0) {
        edit->deselect();
        return;
    }
    const int last = end < 0 ? length : std::min(end, length);
    const int first = std::min(start, last);
    edit->setSelection(first, last - first);
}

void Edit::ReplaceSel(const char* text) {
    if (auto* edit = qobject_cast<QLineEdit*>(clientWidget()))
        edit->insert(fromWindows1252(text ? text : ""));
}

// ---- Button ------------------------------------------------------------------------------------

BOOL Button::Create(const char* text, DWORD style, const Rect& rect, Window* parent, UINT id) {
    if (exists() || !canHoldControl(parent)) return FALSE;
    const DWORD type = style & BS_TYPEMASK;
    QAbstractButton* button = nullptr;
    QWidget* widget = nullptr;
    switch (type) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX: {
        auto* box = new QCheckBox(fromWindows1252(text ? text : ""));
        button = box;
        if (type == BS_CHECKBOX)
            QObject::connect(box, &QAbstractButton::clicked, box, [box](bool checked) {
                // Only SetCheck changes a plain check box.
                const QSignalBlocker blocker(box);
                box->setChecked(!checked);
            });
        break;
    }
    case BS_OWNERDRAW:
        button = new OwnerDrawButton;
        break;
    case BS_GROUPBOX: {
        auto* group = new QGroupBox(fromWindows1252(text ? text : ""));
        widget = group;
        break;
    }
    default: {
        auto* push = new QPushButton(fromWindows1252(text ? text : ""));
        push->setAutoDefault(false);
        push->setDefault(type == BS_DEFPUSHBUTTON);
        button = push;
        break;
    }
    }
    if (button) {
        widget = button;
        QObject::connect(button, &QAbstractButton::clicked, button,
                         [button] { notifyCommand(button, BN_CLICKED); });
    }
    fillWithDialogColour(widget);
    attachControlWidget(*this, widget, parent, id, style, 0, rect, text);
    return TRUE;
}

int Button::GetCheck() const {
    auto* button = qobject_cast<QAbstractButton*>(clientWidget());
    return button && button->isCheckable() && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void Button::SetCheck(int check) {
    auto* button = qobject_cast<QAbstractButton*>(clientWidget());
    if (!button || !button->isCheckable()) return;
    const QSignalBlocker blocker(button);
    button->setChecked(check != BST_UNCHECKED);
}

UINT Button::GetState() const {
    auto* button = qobject_cast<QAbstractButton*>(clientWidget());
    if (!button) return 0;
    UINT state = UINT(GetCheck());
    if (button->isDown()) state |= BST_PUSHED;
    if (button->hasFocus()) state |= BST_FOCUS;
    return state;
}

void Button::SizeToContent() {
    QWidget* widget = clientWidget();
    if (widget && !dynamic_cast<OwnerDrawButton*>(widget)) widget->resize(widget->sizeHint());
}

LRESULT Button::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case BM_GETCHECK:
        return GetCheck();
    case BM_SETCHECK:
        SetCheck(int(wParam));
        return 0;
    case BM_GETSTATE:
        return LRESULT(GetState());
    default:
        return Window::WindowProc(message, wParam, lParam);
    }
}

// ---- ScrollBar ---------------------------------------------------------------------------------

BOOL ScrollBar::Create(DWORD style, const Rect& rect, Window* parent, UINT id) {
    if (exists() || !canHoldControl(parent)) return FALSE;
    auto* bar = new ScrollBarWidget((style & SBS_VERT) ? Qt::Vertical : Qt::Horizontal);
    bar->setFocusPolicy(Qt::NoFocus);
    attachControlWidget(*this, bar, parent, id, style, 0, rect, nullptr);
    return TRUE;
}

int ScrollBar::SetScrollInfo(const SCROLLINFO* info, BOOL) {
    ScrollBarWidget* bar = scrollBarOf(this);
    if (!bar || !info) return 0;
    if (info->fMask & SIF_RANGE) {
        bar->m_min = info->nMin;
        bar->m_max = info->nMax;
    }
    if (info->fMask & SIF_PAGE) bar->m_page = info->nPage;
    if (info->fMask & SIF_POS) bar->m_pos = info->nPos;
    bar->clamp();
    bar->sync();
    return bar->m_pos;
}

BOOL ScrollBar::GetScrollInfo(SCROLLINFO* info, UINT mask) const {
    ScrollBarWidget* bar = scrollBarOf(this);
    if (!bar || !info || !(mask & SIF_ALL)) return FALSE;
    info->fMask = mask;
    if (mask & SIF_RANGE) {
        info->nMin = bar->m_min;
        info->nMax = bar->m_max;
    }
    if (mask & SIF_PAGE) info->nPage = bar->m_page;
    if (mask & SIF_POS) info->nPos = bar->m_pos;
    if (mask & SIF_TRACKPOS) info->nTrackPos = bar->trackPos();
    return TRUE;
}

int ScrollBar::SetScrollPos(int position, BOOL redraw) {
    ScrollBarWidget* bar = scrollBarOf(this);
    if (!bar) return 0;
    const int previous = bar->m_pos;
    SCROLLINFO info;
    info.fMask = SIF_POS;
    info.nPos = position;
    SetScrollInfo(&info, redraw);
    return previous;
}

int ScrollBar::GetScrollPos() const {
    ScrollBarWidget* bar = scrollBarOf(this);
    return bar ? bar->m_pos : 0;
}

void ScrollBar::SetScrollRange(int minimum, int maximum, BOOL redraw) {
    SCROLLINFO info;
    info.fMask = SIF_RANGE;
    info.nMin = minimum;
    info.nMax = maximum;
    SetScrollInfo(&info, redraw);
}

void ScrollBar::GetScrollRange(int* minimum, int* maximum) const {
    ScrollBarWidget* bar = scrollBarOf(this);
    if (minimum) *minimum = bar ? bar->m_min : 0;
    if (maximum) *maximum = bar ? bar->m_max : 0;
}

void ScrollBar::ShowScrollBar(BOOL show) {
    ShowWindow(show ? SW_SHOW : SW_HIDE);
}

bool ScrollBar::isHorizontal() const {
    ScrollBarWidget* bar = scrollBarOf(this);
    return bar && bar->orientation() == Qt::Horizontal;
}

// ---- ToolTipCtrl -------------------------------------------------------------------------------

struct ToolTipCtrl::Tool {
    HWND tool;
    std::string text;
};

ToolTipCtrl::ToolTipCtrl() : m_tools(std::make_unique<std::vector<Tool>>()) {}

ToolTipCtrl::~ToolTipCtrl() {
    for (const Tool& t : *m_tools)
        if (Window* w = Window::FromHandle(t.tool))
            if (QWidget* widget = w->clientWidget()) widget->setToolTip(QString());
}

BOOL ToolTipCtrl::Create(Window* parent, DWORD style) {
    if (!parent || !parent->exists()) return FALSE;
    m_parent = parent;
    m_style = style;
    if (style & TTS_ALWAYSTIP)
        if (Window* top = parent->GetTopLevelParent(); top && top->frameWidget())
            top->frameWidget()->setAttribute(Qt::WA_AlwaysShowToolTips, true);
    return TRUE;
}

void ToolTipCtrl::apply(Window* tool, const std::string& text) const {
    QWidget* widget = tool ? tool->clientWidget() : nullptr;
    if (!widget) return;
    std::string shown;
    if (m_style & TTS_NOPREFIX) {
        shown = text;
    } else {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '&' && i + 1 < text.size()) ++i;
            shown += text[i];
        }
    }
    const QString tip = fromWindows1252(shown);
    widget->setToolTip(m_active ? (Qt::mightBeRichText(tip) ? tip.toHtmlEscaped() : tip)
                                : QString());
}

BOOL ToolTipCtrl::AddTool(Window* tool, const char* text) {
    if (!m_parent || !tool || !tool->exists()) return FALSE;
    const HWND handle = tool->GetSafeHwnd();
    auto it = std::find_if(m_tools->begin(), m_tools->end(),
                           [handle](const Tool& t) { return t.tool == handle; });
    if (it == m_tools->end()) it = m_tools->insert(m_tools->end(), Tool{handle, {}});
    it->text = text ? text : "";
    apply(tool, it->text);
    return TRUE;
}

BOOL ToolTipCtrl::AddTool(Window* tool, UINT stringId) {
    std::string text;
    if (!LoadString(stringId, text)) return FALSE;
    return AddTool(tool, text.c_str());
}

void ToolTipCtrl::DelTool(Window* tool) {
    if (!tool) return;
    const HWND handle = tool->GetSafeHwnd();
    m_tools->erase(std::remove_if(m_tools->begin(), m_tools->end(),
                                  [handle](const Tool& t) { return t.tool == handle; }),
                   m_tools->end());
    if (QWidget* widget = tool->clientWidget()) widget->setToolTip(QString());
}

void ToolTipCtrl::UpdateTipText(const char* text, Window* tool) {
    if (!tool) return;
    const HWND handle = tool->GetSafeHwnd();
    for (Tool& t : *m_tools)
        if (t.tool == handle) {
            t.text = text ? text : "";
            apply(tool, t.text);
        }
}

void ToolTipCtrl::Activate(BOOL active) {
    m_active = active != FALSE;
    for (const Tool& t : *m_tools)
        if (Window* w = Window::FromHandle(t.tool)) apply(w, t.text);
}

std::string ToolTipCtrl::GetText(Window* tool) const {
    if (!tool) return {};
    const HWND handle = tool->GetSafeHwnd();
    for (const Tool& t : *m_tools)
        if (t.tool == handle) return t.text;
    return {};
}

// ---- Control classes ---------------------------------------------------------------------------

void registerControlClass(const std::string& className, ControlFactory factory) {
    factories()[upperAscii(className)] = std::move(factory);
}

std::unique_ptr<Window> createControl(const DialogItemTemplate& item, Window* parent,
                                      const Rect& rect) {
    const auto it = factories().find(upperAscii(item.className));
    if (it == factories().end()) return nullptr;
    return it->second(item, parent, rect);
}

} // namespace platform
