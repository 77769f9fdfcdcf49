// The menu model, menu resources, popup menus shown with QMenu and the system menu.
#include "platform/qt/menu.h"

#include "platform/qt/text_codec.h"
#include "platform/qt/window.h"
#include "platform/qt/window_host.h"

#include <algorithm>
#include <cstring>
#include <map>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>

namespace platform {
namespace {

constexpr UINT kStoredFlagMask = ~MF_BYPOSITION;

std::map<UINT, MenuTemplate>& menuResources() {
    static std::map<UINT, MenuTemplate> resources;
    return resources;
}

MenuTracking g_tracking;
std::function<void(QMenu&)> g_popupHook;

void buildFromTemplate(Menu& menu, const std::vector<MenuTemplateItem>& items) {
    for (const MenuTemplateItem& item : items) {
        if (item.flags & MF_POPUP) {
            auto popup = std::make_unique<Menu>();
            buildFromTemplate(*popup, item.children);
            menu.AppendPopup(item.flags & ~MF_POPUP, std::move(popup), item.text.c_str());
        } else {
            menu.AppendMenu(item.flags, item.id, item.text.c_str());
        }
    }
}

void fillQMenu(QMenu& target, Menu& model, Window* owner, bool systemMenu);

// A submenu is filled when it opens, after its owner had WM_INITMENUPOPUP for it.
void addSubmenu(QMenu& target, Menu& popup, int index, const QString& text, bool enabled,
                Window* owner, bool systemMenu) {
    QMenu* sub = target.addMenu(text);
    sub->setEnabled(enabled);
    const HWND ownerHandle = owner ? owner->GetSafeHwnd() : nullptr;
    Menu* model = &popup;
    QObject::connect(sub, &QMenu::aboutToShow, sub, [sub, model, index, ownerHandle, systemMenu] {
        Window* w = Window::FromHandle(ownerHandle);
        if (w)
            dispatchMessage(*w, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(model),
                            MAKELPARAM(index, systemMenu ? 1 : 0));
        sub->clear();
        fillQMenu(*sub, *model, w, systemMenu);
    });
}

void fillQMenu(QMenu& target, Menu& model, Window* owner, bool systemMenu) {
    int index = 0;
    for (const Menu::Item& item : model.items()) {
        const bool enabled = (item.flags & (MF_GRAYED | MF_DISABLED)) == 0;
        const QString text = fromWindows1252(item.text);
        if (item.popup) {
            addSubmenu(target, *item.popup, index, text, enabled, owner, systemMenu);
        } else if (item.flags & MF_SEPARATOR) {
            target.addSeparator();
        } else {
            QAction* action = target.addAction(text);
            action->setEnabled(enabled);
            action->setData(QVariant::fromValue(uint(item.id)));
            if (item.flags & MF_CHECKED) {
                action->setCheckable(true);
                action->setChecked(true);
            }
            if (item.flags & MF_DEFAULT) target.setDefaultAction(action);
        }
        ++index;
    }
}

// Shows the model as a QMenu and answers the chosen id (0 for none).
UINT runPopup(Menu& model, UINT flags, int x, int y, Window* owner, bool systemMenu) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return 0;
    QWidget* parent = nullptr;
    if (owner) {
        Window* top = owner->GetTopLevelParent();
        parent = top ? top->frameWidget() : nullptr;
    }
    // On the heap: the owner may be destroyed while the menu is open, taking its child widgets
    // with it.
    const QPointer<QMenu> guard(new QMenu(parent));
    QMenu& menu = *guard;
    fillQMenu(menu, model, owner, systemMenu);
    const QSize size = menu.sizeHint();
    QPoint at(x, y);
    if (flags & TPM_RIGHTALIGN)
        at.rx() -= size.width();
    else if (flags & TPM_CENTERALIGN)
        at.rx() -= size.width() / 2;
    if (flags & TPM_BOTTOMALIGN)
        at.ry() -= size.height();
    else if (flags & TPM_VCENTERALIGN)
        at.ry() -= size.height() / 2;
    const MenuTracking previous = setTrackingMenu(MenuTracking{&model, owner});
    if (g_popupHook) {
        auto hook = std::move(g_popupHook);
        g_popupHook = nullptr;
        QMetaObject::invokeMethod(
            &menu, [hook = std::move(hook), &menu] { hook(menu); }, Qt::QueuedConnection);
    }
    QAction* chosen = menu.exec(at);
    setTrackingMenu(previous);
    if (!guard) return 0;
    const UINT id = chosen ? chosen->data().toUInt() : 0;
    delete guard.data();
    return id;
}

} // namespace

void setPopupMenuHook(std::function<void(QMenu&)> hook) {
    g_popupHook = std::move(hook);
}

// ---- Menu --------------------------------------------------------------------------------------

Menu::Menu() = default;
Menu::~Menu() = default;

bool Menu::locate(UINT item, UINT flags, Menu** menu, std::size_t* index) const {
    if (flags & MF_BYPOSITION) {
        if (item >= m_items.size()) return false;
        *menu = const_cast<Menu*>(this);
        *index = item;
        return true;
    }
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const Item& it = m_items[i];
        if (it.popup) {
            if (it.popup->locate(item, flags, menu, index)) return true;
        } else if (!(it.flags & MF_SEPARATOR) && it.id == item) {
            *menu = const_cast<Menu*>(this);
            *index = i;
            return true;
        }
    }
    return false;
}

BOOL Menu::insertItem(UINT position, UINT flags, Item item) {
    if (flags & MF_BYPOSITION) {
        const std::size_t at = position >= m_items.size() ? m_items.size() : position;
        m_items.insert(m_items.begin() + std::ptrdiff_t(at), std::move(item));
        return TRUE;
    }
    Menu* menu = nullptr;
    std::size_t index = 0;
    if (!locate(position, MF_BYCOMMAND, &menu, &index)) return FALSE;
    menu->m_items.insert(menu->m_items.begin() + std::ptrdiff_t(index), std::move(item));
    return TRUE;
}

BOOL Menu::AppendMenu(UINT flags, UINT_PTR id, const char* text) {
    return InsertMenu(0xFFFFFFFFu, flags | MF_BYPOSITION, id, text);
}

BOOL Menu::AppendPopup(UINT flags, std::unique_ptr<Menu> popup, const char* text) {
    return InsertPopup(0xFFFFFFFFu, flags | MF_BYPOSITION, std::move(popup), text);
}

BOOL Menu::InsertMenu(UINT position, UINT flags, UINT_PTR id, const char* text) {
    if (flags & MF_POPUP) return FALSE;
    Item item;
    item.flags = flags & kStoredFlagMask;
    item.id = UINT(id);
    if (!(flags & MF_SEPARATOR) && text) item.text = text;
    return insertItem(position, flags, std::move(item));
}

BOOL Menu::InsertPopup(UINT position, UINT flags, std::unique_ptr<Menu> popup, const char* text) {
    if (!popup) return FALSE;
    Item item;
    item.flags = (flags & kStoredFlagMask & ~MF_SEPARATOR) | MF_POPUP;
    item.text = text ? text : "";
    item.popup = std::move(popup);
    return insertItem(position, flags, std::move(item));
}

BOOL Menu::DeleteMenu(UINT position, UINT flags) {
    return RemoveMenu(position, flags, nullptr);
}

BOOL Menu::RemoveMenu(UINT position, UINT flags, std::unique_ptr<Menu>* detached) {
    Menu* menu = nullptr;
    std::size_t index = 0;
    if (!locate(position, flags, &menu, &index)) return FALSE;
    std::unique_ptr<Menu> popup = std::move(menu->m_items[index].popup);
    menu->m_items.erase(menu->m_items.begin() + std::ptrdiff_t(index));
    if (detached) *detached = std::move(popup);
    return TRUE;
}

BOOL Menu::ModifyMenu(UINT position, UINT flags, UINT_PTR id, const char* text) {
    if (flags & MF_POPUP) return FALSE;
    Menu* menu = nullptr;
    std::size_t index = 0;
    if (!locate(position, flags, &menu, &index)) return FALSE;
    Item& item = menu->m_items[index];
    item.flags = (flags & kStoredFlagMask) | (item.popup ? MF_POPUP : 0);
    if (!item.popup) item.id = UINT(id);
    item.text = (flags & MF_SEPARATOR) || !text ? std::string() : std::string(text);
    return TRUE;
}

UINT Menu::CheckMenuItem(UINT item, UINT flags) {
    Menu* menu = nullptr;
    std::size_t index = 0;
    if (!locate(item, flags, &menu, &index)) return MENU_ITEM_NOT_FOUND;
    UINT& stored = menu->m_items[index].flags;
    const UINT previous = stored & MF_CHECKED;
    stored = (stored & ~MF_CHECKED) | (flags & MF_CHECKED);
    return previous;
}

UINT Menu::EnableMenuItem(UINT item, UINT flags) {
    Menu* menu = nullptr;
    std::size_t index = 0;
    if (!locate(item, flags, &menu, &index)) return MENU_ITEM_NOT_FOUND;
    UINT& stored = menu->m_items[index].flags;
    const UINT previous = stored & (MF_GRAYED | MF_DISABLED);
    stored = (stored & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
    return previous;
}

BOOL Menu::HiliteMenuItem(UINT item, UINT flags) {
    Menu* menu = nullptr;
    std::size_t index = 0;
    if (!locate(item, flags, &menu, &index)) return FALSE;
    UINT& stored = menu->m_items[index].flags;
    stored = (stored & ~MF_HILITE) | (flags & MF_HILITE);
    return TRUE;
}

int Menu::GetMenuItemCount() const {
    return int(m_items.size());
}

UINT Menu::GetMenuItemID(int position) const {
    if (position < 0 || std::size_t(position) >= m_items.size()) return MENU_ITEM_NOT_FOUND;
    const Item& item = m_items[std::size_t(position)];
    return item.popup ? MENU_ITEM_NOT_FOUND : item.id;
}

UINT Menu::GetMenuState(UINT item, UINT flags) const {
    Menu* menu = nullptr;
    std::size_t index = 0;
    if (!locate(item, flags, &menu, &index)) return MENU_ITEM_NOT_FOUND;
    const Item& it = menu->m_items[index];
    // A grayed item is disabled as well: the platform reports both bits for it.
    const UINT flags2 = (it.flags & MF_GRAYED) ? (it.flags | MF_DISABLED) : it.flags;
    if (it.popup) return (UINT(it.popup->GetMenuItemCount()) << 8) | (flags2 & 0xFF);
    return flags2;
}

int Menu::GetMenuString(UINT item, char* buffer, int size, UINT flags) const {
    if (buffer && size > 0) buffer[0] = 0;
    Menu* menu = nullptr;
    std::size_t index = 0;
    if (!locate(item, flags, &menu, &index) || !buffer || size <= 0) return 0;
    const std::string& text = menu->m_items[index].text;
    const int count = std::min<int>(int(text.size()), size - 1);
    std::memcpy(buffer, text.data(), std::size_t(count));
    buffer[count] = 0;
    return count;
}

std::string Menu::GetMenuString(UINT item, UINT flags) const {
    Menu* menu = nullptr;
    std::size_t index = 0;
    if (!locate(item, flags, &menu, &index)) return {};
    return menu->m_items[index].text;
}

Menu* Menu::GetSubMenu(int position) const {
    if (position < 0 || std::size_t(position) >= m_items.size()) return nullptr;
    return m_items[std::size_t(position)].popup.get();
}

void Menu::clear() {
    m_items.clear();
}

BOOL Menu::TrackPopupMenu(UINT flags, int x, int y, Window* owner) {
    return ::TrackPopupMenu(this, flags, x, y, owner);
}

// ---- Resources and tracking --------------------------------------------------------------------

void registerMenuResource(MenuTemplate menu) {
    const UINT id = menu.id;
    menuResources()[id] = std::move(menu);
}

std::unique_ptr<Menu> LoadMenu(UINT id) {
    const auto it = menuResources().find(id);
    if (it == menuResources().end()) return nullptr;
    auto menu = std::make_unique<Menu>();
    buildFromTemplate(*menu, it->second.items);
    return menu;
}

std::unique_ptr<Menu> CreatePopupMenu() {
    return std::make_unique<Menu>();
}

MenuTracking trackingMenu() {
    return g_tracking;
}

MenuTracking setTrackingMenu(MenuTracking tracking) {
    return std::exchange(g_tracking, tracking);
}

// ---- The system menu ---------------------------------------------------------------------------

void Window::showSystemMenu() {
    Window* top = GetTopLevelParent();
    if (!top || !top->frameWidget()) return;
    Menu* menu = top->GetSystemMenu(FALSE);
    const DWORD style = top->GetStyle();
    const bool iconic = top->IsIconic() != FALSE;
    const bool maximized = top->frameWidget()->isMaximized();
    menu->EnableMenuItem(SC_RESTORE, (iconic || maximized) ? MF_ENABLED : MF_GRAYED);
    menu->EnableMenuItem(SC_MOVE, maximized ? MF_GRAYED : MF_ENABLED);
    menu->EnableMenuItem(SC_SIZE, (style & WS_THICKFRAME) && !iconic ? MF_ENABLED : MF_GRAYED);
    menu->EnableMenuItem(SC_MINIMIZE, (style & WS_MINIMIZEBOX) && !iconic ? MF_ENABLED : MF_GRAYED);
    menu->EnableMenuItem(SC_MAXIMIZE,
                         (style & WS_MAXIMIZEBOX) && !maximized ? MF_ENABLED : MF_GRAYED);
    const HWND handle = top->GetSafeHwnd();
    dispatchMessage(*top, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, 1));
    if (!IsWindow(handle)) return;
    Rect window;
    top->GetWindowRect(&window);
    Rect icon = top->nonClientPart(HTSYSMENU);
    if (icon.isEmpty()) icon = top->nonClientPart(HTCLIENT);
    const UINT chosen = runPopup(*menu, TPM_LEFTALIGN, window.left + icon.left,
                                 window.top + icon.bottom, top, true);
    if (chosen && IsWindow(handle)) ::PostMessage(handle, WM_SYSCOMMAND, chosen, 0);
}

} // namespace platform

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, platform::Window* owner) {
    if (!menu) return FALSE;
    const HWND ownerHandle = owner ? owner->GetSafeHwnd() : nullptr;
    if (owner && ownerHandle)
        platform::dispatchMessage(*owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    platform::Window* live = platform::Window::FromHandle(ownerHandle);
    const UINT chosen = platform::runPopup(*menu, flags, x, y, live, false);
    if (flags & TPM_RETURNCMD) return BOOL(chosen);
    if (chosen && !(flags & TPM_NONOTIFY) && IsWindow(ownerHandle))
        PostMessage(ownerHandle, WM_COMMAND, chosen, 0);
    return TRUE;
}
