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
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
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

qsizetype nonDigits(const QString& text) {
    return std::count_if(text.begin(), text.end(), [](QChar c) { return c < u'0' || c > u'9'; });
}

// The platform's text limit and ES_NUMBER: the user cannot make the text longer than the limit,
// nor type anything but digits, while text set by the program is kept whole (the toolkit's
// maxLength would cut it).
class LimitValidator : public QValidator {
public:
    LimitValidator(QLineEdit* edit, int limit, bool digitsOnly)
        : QValidator(edit), m_limit(limit), m_digitsOnly(digitsOnly),
          m_accepted(edit->text().size()), m_acceptedNonDigits(nonDigits(edit->text())) {
        // The field already holds the edited text while it is validated, so the text to
        // compare with is the one last accepted.
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) {
            m_accepted = text.size();
            m_acceptedNonDigits = m_digitsOnly ? nonDigits(text) : 0;
        });
    }
    State validate(QString& input, int&) const override {
        if (input.size() > m_limit && input.size() > m_accepted) return Invalid;
        // Other characters the program put there may stay; the user adds none.
        if (m_digitsOnly && nonDigits(input) > m_acceptedNonDigits) return Invalid;
        return Acceptable;
    }
    int limit() const { return m_limit; }

private:
    int m_limit;
    bool m_digitsOnly;
    qsizetype m_accepted;
    qsizetype m_acceptedNonDigits;
};

// A radio button that keeps to its group (see Button): the toolkit's exclusivity among all
// siblings is off.
class RadioButtonWidget : public QRadioButton {
public:
    RadioButtonWidget(const QString& text, bool automatic)
        : QRadioButton(text), m_automatic(automatic) {
        setAutoExclusive(false);
    }

protected:
    // Runs on a click before clicked() is emitted (BN_CLICKED then sees the new states).
    void nextCheckState() override {
        if (!m_automatic) return;
        setChecked(true);
        Window* self = windowOfWidget(this);
        if (!self) return;
        for (Window* other : dialogGroupOf(self)) {
            if (other == self || (other->GetStyle() & BS_TYPEMASK) != BS_AUTORADIOBUTTON) continue;
            if (auto* button = qobject_cast<QAbstractButton*>(other->clientWidget())) {
                const QSignalBlocker blocker(button);
                button->setChecked(false);
            }
        }
    }

    void keyPressEvent(QKeyEvent* event) override {
        const int key = event->key();
        if (key != Qt::Key_Up && key != Qt::Key_Down && key != Qt::Key_Left && key != Qt::Key_Right)
            return QRadioButton::keyPressEvent(event);
        event->accept();
        Window* self = windowOfWidget(this);
        if (!self) return;
        std::vector<Window*> radios;
        for (Window* w : dialogGroupOf(self))
            if (w == self || (isRadioButton(w) && w->IsWindowVisible() && w->IsWindowEnabled()))
                radios.push_back(w);
        const auto at = std::find(radios.begin(), radios.end(), self) - radios.begin();
        const int count = int(radios.size());
        const int step = (key == Qt::Key_Up || key == Qt::Key_Left) ? count - 1 : 1;
        Window* target = radios[std::size_t((at + step) % count)];
        if (target == self) return;
        target->SetFocus();
        auto* button = qobject_cast<QAbstractButton*>(target->clientWidget());
        if (button && (target->GetStyle() & BS_TYPEMASK) == BS_AUTORADIOBUTTON) button->click();
    }

private:
    bool m_automatic;
};

// The roles a combo-box item keeps its Windows-1252 text and its item data in.
constexpr int kItemTextRole = Qt::UserRole;
constexpr int kItemDataRole = Qt::UserRole + 1;

// A drop-down list that tells its parent when its list drops down and closes up, and keeps the
// closed box at the toolkit's height whatever height the control is given.
class ComboBoxWidget : public QComboBox {
public:
    ComboBoxWidget() {
        setEditable(false);
        connect(this, &QComboBox::activated, this, [this] { notifyCommand(this, CBN_SELCHANGE); });
    }

    // Fixes the closed height (once the font is known); the rest of height is the list's.
    void setHeights(int total) {
        m_closedHeight = sizeHint().height();
        setListHeight(total - m_closedHeight);
        resize(width(), m_closedHeight);
    }

    void showPopup() override {
        const QPointer<ComboBoxWidget> guard(this);
        // The parent may fill the list now, before it shows.
        notifyCommand(this, CBN_DROPDOWN);
        if (!guard || !windowOfWidget(this)) return;
        QComboBox::showPopup();
        QWidget* popup = view()->window();
        if (popup != this && popup->isVisible()) {
            if (popup != m_popup) {
                m_popup = popup;
                popup->installEventFilter(this);
            }
            m_dropped = true;
        } else {
            // An empty list does not show; it still closes up as the platform's would.
            notifyCommand(this, CBN_CLOSEUP);
        }
    }

protected:
    // However the list closes (a choice, Esc, a click elsewhere) its window hides.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_popup && event->type() == QEvent::Hide && m_dropped) {
            m_dropped = false;
            notifyCommand(this, CBN_CLOSEUP);
        }
        return QComboBox::eventFilter(watched, event);
    }

    // A height given later (MoveWindow) is the box and its list too, as on the platform.
    void resizeEvent(QResizeEvent* event) override {
        if (m_closedHeight > 0 && height() != m_closedHeight) {
            setListHeight(height() - m_closedHeight);
            resize(width(), m_closedHeight);
            return;
        }
        QComboBox::resizeEvent(event);
    }

private:
    void setListHeight(int pixels) {
        const int row = std::max(1, QFontMetrics(font()).height() + 2);
        setMaxVisibleItems(std::max(1, pixels / row));
    }

    int m_closedHeight = 0;
    bool m_dropped = false;
    QPointer<QWidget> m_popup;
};

ComboBoxWidget* comboOf(const Window* w) {
    return w ? dynamic_cast<ComboBoxWidget*>(w->clientWidget()) : nullptr;
}

std::string itemText(const QComboBox* combo, int index) {
    return combo->itemData(index, kItemTextRole).toByteArray().toStdString();
}

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
        t[upperAscii(kComboBoxClass)] = simpleFactory<ComboBox>();
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
    if (auto* combo = dynamic_cast<const ComboBoxWidget*>(widget)) {
        *out = combo->currentIndex() < 0 ? std::string() : itemText(combo, combo->currentIndex());
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
    // A drop-down list's text is its selection's; setting one does nothing (as on the platform).
    if (dynamic_cast<ComboBoxWidget*>(widget)) return true;
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
    if (style & ES_NUMBER) edit->setValidator(new LimitValidator(edit, kMaxEditText, true));
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
    edit->setValidator(new LimitValidator(edit, limit, (GetStyle() & ES_NUMBER) != 0));
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
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        button =
            new RadioButtonWidget(fromWindows1252(text ? text : ""), type == BS_AUTORADIOBUTTON);
        break;
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
    // The platform's group box draws only its frame and title, so the controls inside show and
    // take the mouse wherever the template lists it.
    if (type == BS_GROUPBOX) widget->lower();
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

// ---- ComboBox ----------------------------------------------------------------------------------

BOOL ComboBox::Create(DWORD style, const Rect& rect, Window* parent, UINT id) {
    if (exists() || !canHoldControl(parent)) return FALSE;
    auto* combo = new ComboBoxWidget;
    attachControlWidget(*this, combo, parent, id, style, 0, rect, nullptr);
    combo->setHeights(rect.height());
    return TRUE;
}

int ComboBox::AddString(const char* text) {
    ComboBoxWidget* combo = comboOf(this);
    if (!combo) return CB_ERR;
    const std::string bytes = text ? text : "";
    const QString shown = fromWindows1252(bytes);
    int at = combo->count();
    if (GetStyle() & CBS_SORT) {
        // After the items that sort before it or equal it.
        at = 0;
        while (at < combo->count() && QString::compare(fromWindows1252(itemText(combo, at)), shown,
                                                       Qt::CaseInsensitive) <= 0)
            ++at;
    }
    const int previous = combo->currentIndex();
    const QSignalBlocker blocker(combo);
    combo->insertItem(at, shown);
    combo->setItemData(at, QByteArray::fromStdString(bytes), kItemTextRole);
    combo->setItemData(at, QVariant::fromValue(quint64(0)), kItemDataRole);
    // The toolkit selects the first item put into an empty box; the platform selects nothing.
    if (previous < 0) combo->setCurrentIndex(-1);
    return at;
}

int ComboBox::GetCount() const {
    ComboBoxWidget* combo = comboOf(this);
    return combo ? combo->count() : CB_ERR;
}

int ComboBox::GetCurSel() const {
    ComboBoxWidget* combo = comboOf(this);
    return combo && combo->currentIndex() >= 0 ? combo->currentIndex() : CB_ERR;
}

int ComboBox::SetCurSel(int index) {
    ComboBoxWidget* combo = comboOf(this);
    if (!combo) return CB_ERR;
    const bool valid = index >= 0 && index < combo->count();
    const QSignalBlocker blocker(combo);
    combo->setCurrentIndex(valid ? index : -1);
    return valid ? index : CB_ERR;
}

std::string ComboBox::GetLBText(int index) const {
    ComboBoxWidget* combo = comboOf(this);
    if (!combo || index < 0 || index >= combo->count()) return {};
    return itemText(combo, index);
}

void ComboBox::ResetContent() {
    ComboBoxWidget* combo = comboOf(this);
    if (!combo) return;
    const QSignalBlocker blocker(combo);
    combo->clear();
}

int ComboBox::FindStringExact(int startAfter, const char* text) const {
    ComboBoxWidget* combo = comboOf(this);
    if (!combo || !text) return CB_ERR;
    const int count = combo->count();
    const QString wanted = fromWindows1252(text);
    const int first = startAfter >= 0 && startAfter < count ? startAfter + 1 : 0;
    for (int i = 0; i < count; ++i) {
        const int index = (first + i) % count;
        if (QString::compare(fromWindows1252(itemText(combo, index)), wanted,
                             Qt::CaseInsensitive) == 0)
            return index;
    }
    return CB_ERR;
}

DWORD_PTR ComboBox::GetItemData(int index) const {
    ComboBoxWidget* combo = comboOf(this);
    if (!combo || index < 0 || index >= combo->count()) return DWORD_PTR(CB_ERR);
    return DWORD_PTR(combo->itemData(index, kItemDataRole).value<quint64>());
}

int ComboBox::SetItemData(int index, DWORD_PTR data) {
    ComboBoxWidget* combo = comboOf(this);
    if (!combo || index < 0 || index >= combo->count()) return CB_ERR;
    combo->setItemData(index, QVariant::fromValue(quint64(data)), kItemDataRole);
    return CB_OKAY;
}

LRESULT ComboBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case CB_ADDSTRING:
        return AddString(reinterpret_cast<const char*>(lParam));
    case CB_GETCOUNT:
        return GetCount();
    case CB_GETCURSEL:
        return GetCurSel();
    case CB_SETCURSEL:
        return SetCurSel(int(wParam));
    case CB_GETLBTEXTLEN:
        if (int(wParam) < 0 || int(wParam) >= GetCount()) return CB_ERR;
        return LRESULT(GetLBText(int(wParam)).size());
    case CB_GETLBTEXT: {
        if (int(wParam) < 0 || int(wParam) >= GetCount() || !lParam) return CB_ERR;
        const std::string text = GetLBText(int(wParam));
        std::copy(text.begin(), text.end(), reinterpret_cast<char*>(lParam));
        reinterpret_cast<char*>(lParam)[text.size()] = '\0';
        return LRESULT(text.size());
    }
    case CB_RESETCONTENT:
        ResetContent();
        return CB_OKAY;
    case CB_FINDSTRINGEXACT:
        return FindStringExact(int(wParam), reinterpret_cast<const char*>(lParam));
    case CB_GETITEMDATA:
        return LRESULT(GetItemData(int(wParam)));
    case CB_SETITEMDATA:
        return SetItemData(int(wParam), DWORD_PTR(lParam));
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

// ---- Groups ------------------------------------------------------------------------------------

std::vector<Window*> dialogGroupOf(const Window* control) {
    Window* parent = control ? control->GetParent() : nullptr;
    if (!parent) return {};
    std::vector<Window*> group;
    bool found = false;
    for (Window* w : childrenOf(parent)) {
        if (w->GetStyle() & WS_GROUP) {
            if (found) break;
            group.clear();
        }
        group.push_back(w);
        if (w == control) found = true;
    }
    return found ? group : std::vector<Window*>{};
}

bool isRadioButton(const Window* control) {
    const DWORD type = control ? control->GetStyle() & BS_TYPEMASK : 0;
    return dynamic_cast<const Button*>(control) &&
           (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
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
