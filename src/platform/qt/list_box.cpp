// The list-box control on a toolkit widget that paints its items itself (or has the program paint
// them) and keeps the items, the selection and the scroll position.
#include "platform/qt/list_box.h"

#include "platform/core/system_metrics.h"
#include "platform/qt/dc.h"
#include "platform/qt/text_codec.h"
#include "platform/qt/window_host.h"

#include <algorithm>
#include <vector>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace platform {
namespace {

bool g_failNextSetItemHeight = false;

// The platform's limit on an item's height.
constexpr UINT kMaxItemHeight = 255;

class ListBoxWidget : public QWidget {
public:
    explicit ListBoxWidget(DWORD style) : m_style(style) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        m_bar = new QScrollBar(Qt::Vertical, this);
        m_bar->setFocusPolicy(Qt::NoFocus);
        m_bar->hide();
        connect(m_bar, &QScrollBar::valueChanged, this, [this](int value) {
            m_top = value;
            update();
        });
        m_itemHeight = QFontMetrics(font()).height();
    }

    struct Item {
        std::string text;
        UINT_PTR data = 0;
    };
    std::vector<Item> m_items;
    int m_itemHeight = 16;
    int m_selection = LB_ERR;

    int border() const { return (m_style & WS_BORDER) ? 1 : 0; }
    bool barShown() const { return !m_bar->isHidden(); }
    int top() const { return m_top; }

    // The item area in widget coordinates.
    QRect area() const {
        QRect r = rect().adjusted(border(), border(), -border(), -border());
        if (barShown()) r.setRight(r.right() - GetSystemMetrics(SM_CXVSCROLL));
        return r;
    }
    int visibleCount() const { return std::max(1, area().height() / std::max(1, m_itemHeight)); }
    int maxTop() const { return std::max(0, int(m_items.size()) - visibleCount()); }

    // Shows the scroll bar when the items do not all fit and places it.
    void relayout() {
        const bool wanted =
            (m_style & WS_VSCROLL) && int(m_items.size()) * m_itemHeight > height() - 2 * border();
        m_bar->setVisible(wanted);
        const int w = GetSystemMetrics(SM_CXVSCROLL);
        m_bar->setGeometry(width() - border() - w, border(), w, height() - 2 * border());
        const QSignalBlocker blocker(m_bar);
        m_bar->setRange(0, maxTop());
        m_bar->setPageStep(visibleCount());
        m_bar->setSingleStep(1);
        m_top = std::clamp(m_top, 0, maxTop());
        m_bar->setValue(m_top);
        update();
    }
    void setTop(int index) {
        m_top = std::clamp(index, 0, maxTop());
        const QSignalBlocker blocker(m_bar);
        m_bar->setValue(m_top);
        update();
    }
    void ensureVisible(int index) {
        if (index < 0) return;
        if (index < m_top)
            setTop(index);
        else if (index >= m_top + visibleCount())
            setTop(index - visibleCount() + 1);
    }
    // The item rectangle relative to the item area.
    QRect itemRect(int index) const {
        return QRect(0, (index - m_top) * m_itemHeight, area().width(), m_itemHeight);
    }
    int itemAt(QPoint widgetPoint) const {
        const QRect a = area();
        if (!a.contains(widgetPoint)) return LB_ERR;
        const int index = m_top + (widgetPoint.y() - a.top()) / std::max(1, m_itemHeight);
        return index < int(m_items.size()) ? index : LB_ERR;
    }

    // A selection made by the user: told to the parent when it changed.
    void userSelect(int index) {
        if (index < 0 || index >= int(m_items.size())) return;
        ensureVisible(index);
        if (index == m_selection) return;
        m_selection = index;
        update();
        notify(LBN_SELCHANGE);
    }
    void notify(UINT code) {
        if (!(m_style & LBS_NOTIFY)) return;
        Window* w = windowOfWidget(this);
        if (!w) return;
        Window* parent = w->GetParent();
        if (parent && parent->exists())
            dispatchMessage(*parent, WM_COMMAND, MAKEWPARAM(WORD(w->GetDlgCtrlID()), WORD(code)),
                            reinterpret_cast<LPARAM>(w->GetSafeHwnd()));
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        Window* w = windowOfWidget(this);
        if (!w) return;
        WindowData* d = &w->data();
        if (paintPendingOperation(this, *d)) return;
        QPainter painter(this);
        const QColor windowColour = toQColor(GetSysColor(COLOR_WINDOW));
        if (border()) {
            painter.setPen(toQColor(GetSysColor(COLOR_WINDOWFRAME)));
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }
        const QRect a = area();
        painter.setClipRect(a);
        painter.translate(a.topLeft());
        const QRect update =
            event->rect().translated(-a.topLeft()).intersected(QRect(0, 0, a.width(), a.height()));
        if (update.isEmpty()) return;
        const bool ownerDraw = (m_style & LBS_OWNERDRAWFIXED) != 0;
        const int first = m_top + update.top() / std::max(1, m_itemHeight);
        const int last =
            std::min(int(m_items.size()) - 1, m_top + update.bottom() / std::max(1, m_itemHeight));
        int filledTo = 0;
        for (int i = first; i <= last; ++i) {
            const QRect r = itemRect(i);
            filledTo = r.bottom() + 1;
            const bool selected = i == m_selection;
            if (ownerDraw) {
                drawOwnerItem(*w, painter, update, i, r, selected);
                if (!*d->alive) return;
            } else {
                drawTextItem(painter, i, r, selected);
            }
        }
        if (last < first) filledTo = std::max(0, (int(m_items.size()) - m_top) * m_itemHeight);
        if (filledTo < a.height())
            painter.fillRect(QRect(0, filledTo, a.width(), a.height() - filledTo), windowColour);
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
        setFocus(Qt::MouseFocusReason);
        userSelect(itemAt(event->position().toPoint()));
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton)) return;
        const QPoint p = event->position().toPoint();
        const QRect a = area();
        // Dragging above or below the items scrolls the list along.
        if (p.y() < a.top())
            userSelect(std::max(0, m_top - 1));
        else if (p.y() >= a.bottom())
            userSelect(std::min(int(m_items.size()) - 1, m_top + visibleCount()));
        else
            userSelect(itemAt(QPoint(std::clamp(p.x(), a.left(), a.right()), p.y())));
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
        const int index = itemAt(event->position().toPoint());
        if (index == LB_ERR) return;
        userSelect(index);
        notify(LBN_DBLCLK);
    }
    void wheelEvent(QWheelEvent* event) override {
        event->accept();
        m_wheelRest += event->angleDelta().y();
        const int steps = m_wheelRest / WHEEL_DELTA;
        m_wheelRest -= steps * WHEEL_DELTA;
        if (steps) setTop(m_top - 3 * steps);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (m_items.empty()) return QWidget::keyPressEvent(event);
        const int count = int(m_items.size());
        const int current = m_selection;
        int target;
        switch (event->key()) {
        case Qt::Key_Up:
            target = current < 0 ? 0 : current - 1;
            break;
        case Qt::Key_Down:
            target = current < 0 ? 0 : current + 1;
            break;
        case Qt::Key_PageUp:
            target = (current < 0 ? 0 : current) - (visibleCount() - 1);
            break;
        case Qt::Key_PageDown:
            target = (current < 0 ? 0 : current) + (visibleCount() - 1);
            break;
        case Qt::Key_Home:
            target = 0;
            break;
        case Qt::Key_End:
            target = count - 1;
            break;
        default:
            // Other keys (Esc, Enter, Tab) belong to the dialog the list is in.
            event->ignore();
            return;
        }
        event->accept();
        userSelect(std::clamp(target, 0, count - 1));
    }
    void resizeEvent(QResizeEvent*) override { relayout(); }
    void focusInEvent(QFocusEvent* event) override {
        QWidget::focusInEvent(event);
        update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QWidget::focusOutEvent(event);
        update();
    }

private:
    void drawOwnerItem(Window& w, QPainter& painter, const QRect& update, int index, const QRect& r,
                       bool selected) {
        WindowData* d = &w.data();
        PaintContext context;
        context.painter = &painter;
        context.region = QRegion(update.intersected(r));
        context.rcPaint = fromQRect(update.intersected(r));
        PaintContext* previous = d->activePaint;
        d->activePaint = &context;
        const std::shared_ptr<bool> alive = d->alive;
        {
            PaintDC dc(&w);
            DRAWITEMSTRUCT item;
            item.CtlType = ODT_LISTBOX;
            item.CtlID = UINT(w.GetDlgCtrlID());
            item.itemID = UINT(index);
            item.itemAction = ODA_DRAWENTIRE;
            item.itemState = (selected ? ODS_SELECTED : 0) |
                             (selected && hasFocus() ? ODS_FOCUS : 0) |
                             (isEnabled() ? 0 : ODS_DISABLED);
            item.hwndItem = w.GetSafeHwnd();
            item.hDC = &dc;
            item.rcItem = fromQRect(r);
            item.itemData = m_items[std::size_t(index)].data;
            Window* parent = w.GetParent();
            if (parent && parent->exists())
                dispatchMessage(*parent, WM_DRAWITEM, WPARAM(item.CtlID),
                                reinterpret_cast<LPARAM>(&item));
        }
        if (*alive) d->activePaint = previous;
    }
    void drawTextItem(QPainter& painter, int index, const QRect& r, bool selected) {
        painter.fillRect(r, toQColor(GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW)));
        painter.setPen(toQColor(GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT)));
        painter.setFont(font());
        painter.drawText(r.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         fromWindows1252(m_items[std::size_t(index)].text));
        if (selected && hasFocus()) {
            QPen pen(toQColor(GetSysColor(COLOR_HIGHLIGHTTEXT)), 1, Qt::DotLine);
            painter.setPen(pen);
            painter.drawRect(r.adjusted(0, 0, -1, -1));
        }
    }

    DWORD m_style;
    QScrollBar* m_bar;
    int m_top = 0;
    int m_wheelRest = 0;
};

ListBoxWidget* listOf(const Window* w) {
    return w ? dynamic_cast<ListBoxWidget*>(w->clientWidget()) : nullptr;
}

} // namespace

void failNextSetItemHeight() {
    g_failNextSetItemHeight = true;
}

BOOL ListBox::Create(DWORD style, const Rect& rect, Window* parent, UINT id) {
    if (exists() || !parent || !parent->exists() || !parent->clientWidget()) return FALSE;
    auto* widget = new ListBoxWidget(style);
    attachControlWidget(*this, widget, parent, id, style, 0, rect, nullptr);
    widget->relayout();
    return TRUE;
}

int ListBox::AddString(const char* text) {
    ListBoxWidget* list = listOf(this);
    if (!list) return LB_ERR;
    list->m_items.push_back({text ? text : "", 0});
    list->relayout();
    return int(list->m_items.size()) - 1;
}

int ListBox::SetItemData(int index, UINT_PTR data) {
    ListBoxWidget* list = listOf(this);
    if (!list || index < 0 || index >= int(list->m_items.size())) return LB_ERR;
    list->m_items[std::size_t(index)].data = data;
    return LB_OKAY;
}

UINT_PTR ListBox::GetItemData(int index) const {
    ListBoxWidget* list = listOf(this);
    if (!list || index < 0 || index >= int(list->m_items.size())) return UINT_PTR(LB_ERR);
    return list->m_items[std::size_t(index)].data;
}

void* ListBox::GetItemDataPtr(int index) const {
    ListBoxWidget* list = listOf(this);
    if (!list || index < 0 || index >= int(list->m_items.size())) return nullptr;
    return reinterpret_cast<void*>(list->m_items[std::size_t(index)].data);
}

std::string ListBox::GetText(int index) const {
    ListBoxWidget* list = listOf(this);
    if (!list || index < 0 || index >= int(list->m_items.size())) return {};
    return list->m_items[std::size_t(index)].text;
}

int ListBox::GetCount() const {
    ListBoxWidget* list = listOf(this);
    return list ? int(list->m_items.size()) : LB_ERR;
}

void ListBox::ResetContent() {
    ListBoxWidget* list = listOf(this);
    if (!list) return;
    list->m_items.clear();
    list->m_selection = LB_ERR;
    list->setTop(0);
    list->relayout();
}

int ListBox::SetItemHeight(int, UINT height) {
    ListBoxWidget* list = listOf(this);
    if (g_failNextSetItemHeight) {
        g_failNextSetItemHeight = false;
        return LB_ERR;
    }
    if (!list || height == 0 || height > kMaxItemHeight) return LB_ERR;
    list->m_itemHeight = int(height);
    list->relayout();
    return LB_OKAY;
}

int ListBox::GetItemHeight(int) const {
    ListBoxWidget* list = listOf(this);
    return list ? list->m_itemHeight : LB_ERR;
}

int ListBox::SetCurSel(int index) {
    ListBoxWidget* list = listOf(this);
    if (!list) return LB_ERR;
    if (index < 0 || index >= int(list->m_items.size())) {
        if (index == -1) {
            list->m_selection = LB_ERR;
            list->update();
        }
        return LB_ERR;
    }
    list->m_selection = index;
    list->ensureVisible(index);
    list->update();
    return index;
}

int ListBox::GetCurSel() const {
    ListBoxWidget* list = listOf(this);
    return list ? list->m_selection : LB_ERR;
}

int ListBox::GetTopIndex() const {
    ListBoxWidget* list = listOf(this);
    return list ? list->top() : LB_ERR;
}

int ListBox::SetTopIndex(int index) {
    ListBoxWidget* list = listOf(this);
    if (!list || index < 0 || index >= int(list->m_items.size())) return LB_ERR;
    list->setTop(index);
    return LB_OKAY;
}

int ListBox::GetItemRect(int index, Rect* rect) const {
    ListBoxWidget* list = listOf(this);
    if (!list || !rect || index < 0 || index >= int(list->m_items.size())) return LB_ERR;
    *rect = fromQRect(list->itemRect(index));
    return LB_OKAY;
}

int ListBox::ItemFromPoint(Point point) const {
    ListBoxWidget* list = listOf(this);
    if (!list) return LB_ERR;
    return list->itemAt(list->area().topLeft() + QPoint(point.x, point.y));
}

Rect ListBox::itemArea() const {
    ListBoxWidget* list = listOf(this);
    return list ? fromQRect(list->area()) : Rect{};
}

int ListBox::visibleItemCount() const {
    ListBoxWidget* list = listOf(this);
    return list ? list->visibleCount() : 0;
}

LRESULT ListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case LB_ADDSTRING:
        return AddString(reinterpret_cast<const char*>(lParam));
    case LB_SETITEMDATA:
        return SetItemData(int(wParam), UINT_PTR(lParam));
    case LB_GETITEMDATA:
        return LRESULT(GetItemData(int(wParam)));
    case LB_GETCOUNT:
        return GetCount();
    case LB_RESETCONTENT:
        ResetContent();
        return 0;
    case LB_SETITEMHEIGHT:
        return SetItemHeight(int(wParam), UINT(LOWORD(std::uintptr_t(lParam))));
    case LB_GETITEMHEIGHT:
        return GetItemHeight(int(wParam));
    case LB_SETCURSEL:
        return SetCurSel(int(wParam));
    case LB_GETCURSEL:
        return GetCurSel();
    case LB_GETTOPINDEX:
        return GetTopIndex();
    case LB_SETTOPINDEX:
        return SetTopIndex(int(wParam));
    case LB_GETITEMRECT:
        return GetItemRect(int(wParam), reinterpret_cast<Rect*>(lParam));
    case LB_GETTEXTLEN: {
        if (int(wParam) < 0 || int(wParam) >= GetCount()) return LB_ERR;
        return LRESULT(GetText(int(wParam)).size());
    }
    case LB_GETTEXT: {
        if (int(wParam) < 0 || int(wParam) >= GetCount() || !lParam) return LB_ERR;
        const std::string text = GetText(int(wParam));
        std::copy(text.begin(), text.end(), reinterpret_cast<char*>(lParam));
        reinterpret_cast<char*>(lParam)[text.size()] = '\0';
        return LRESULT(text.size());
    }
    default:
        return Window::WindowProc(message, wParam, lParam);
    }
}

} // namespace platform
