// Menus with the platform's semantics: a model of items (id, text with "&" mnemonics and an
// optional tab-separated accelerator text, MF_ flags, submenus) that code builds and edits, menu
// resources registered by number, and TrackPopupMenu, which shows a model as a standard toolkit
// popup menu.
//
// By-command operations (MF_BYCOMMAND) search submenus too; by-position operations act on this
// menu only. A submenu belongs to the menu that holds it: deleting the item deletes it, removing
// the item hands it back to the caller.
#pragma once

#include "platform/core/win_types.h"
#include "platform/qt/win_constants.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

class Window;

class Menu {
public:
    Menu();
    ~Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    // flags: MF_STRING / MF_SEPARATOR, MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_MENUBARBREAK,
    // MF_MENUBREAK, MF_HILITE. MF_POPUP is refused here (FALSE): submenus go in with
    // AppendPopup / InsertPopup.
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr);
    BOOL AppendPopup(UINT flags, std::unique_ptr<Menu> popup, const char* text);
    // Inserts before the item at `position` (MF_BYPOSITION; -1 or past the end appends) or
    // before the item with the command id (MF_BYCOMMAND).
    BOOL InsertMenu(UINT position, UINT flags, UINT_PTR id = 0, const char* text = nullptr);
    BOOL InsertPopup(UINT position, UINT flags, std::unique_ptr<Menu> popup, const char* text);
    // Removes the item and destroys its submenu, if any.
    BOOL DeleteMenu(UINT position, UINT flags);
    // Removes the item; its submenu, if any, goes to *detached (destroyed when that is null).
    BOOL RemoveMenu(UINT position, UINT flags, std::unique_ptr<Menu>* detached = nullptr);
    // Sets the text and flags of an existing item (MF_BYPOSITION or MF_BYCOMMAND).
    BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR id, const char* text);
    // Returns the previous check state (MF_CHECKED or MF_UNCHECKED), or 0xFFFFFFFF when there is
    // no such item.
    UINT CheckMenuItem(UINT item, UINT flags);
    // MF_ENABLED, MF_GRAYED or MF_DISABLED; returns the previous state of those bits, or
    // 0xFFFFFFFF.
    UINT EnableMenuItem(UINT item, UINT flags);
    // Sets or clears MF_HILITE.
    BOOL HiliteMenuItem(UINT item, UINT flags);
    int GetMenuItemCount() const;
    // The item's id; 0xFFFFFFFF for a submenu or a position out of range (0 for separators).
    UINT GetMenuItemID(int position) const;
    // The item's flags (MF_CHECKED, MF_GRAYED, MF_DISABLED, MF_POPUP, MF_SEPARATOR, MF_HILITE,
    // MF_MENUBARBREAK, MF_MENUBREAK). For a submenu the low byte holds the flags and the next
    // byte the number of its items: (count << 8) | flags. 0xFFFFFFFF when the item is missing.
    UINT GetMenuState(UINT item, UINT flags) const;
    // Copies the item's text (at most size - 1 bytes and a terminating 0); returns the number of
    // bytes copied (0 for a missing item).
    int GetMenuString(UINT item, char* buffer, int size, UINT flags) const;
    std::string GetMenuString(UINT item, UINT flags) const;
    // The submenu at a position, or null.
    Menu* GetSubMenu(int position) const;
    // Removes every item.
    void clear();

    // Shows the menu as a popup at the screen point; see ::TrackPopupMenu.
    BOOL TrackPopupMenu(UINT flags, int x, int y, Window* owner);

    struct Item {
        UINT flags = 0;
        UINT id = 0;
        std::string text;
        std::unique_ptr<Menu> popup;
    };
    const std::vector<Item>& items() const { return m_items; }

private:
    // The menu and index holding the item, by position or by command (searching submenus).
    bool locate(UINT item, UINT flags, Menu** menu, std::size_t* index) const;
    BOOL insertItem(UINT position, UINT flags, Item item);

    std::vector<Item> m_items;
};

// A menu resource: nested items as the resource compiler describes them.
struct MenuTemplateItem {
    UINT flags = MF_STRING; // MF_POPUP items hold children
    UINT id = 0;
    std::string text;
    std::vector<MenuTemplateItem> children;
};
struct MenuTemplate {
    UINT id = 0;
    std::vector<MenuTemplateItem> items;
};

// Registers a menu resource (replacing one of the same number).
void registerMenuResource(MenuTemplate menu);
// A new menu built from the resource, or null when there is none.
std::unique_ptr<Menu> LoadMenu(UINT id);
std::unique_ptr<Menu> CreatePopupMenu();

// The menu being tracked on this thread and its owner window (as during a popup menu). The
// layer sets it while TrackPopupMenu runs; a window that tracks a menu of its own sets it too
// and puts the previous record back afterwards.
struct MenuTracking {
    Menu* menu = nullptr;
    Window* owner = nullptr;
};
MenuTracking trackingMenu();
MenuTracking setTrackingMenu(MenuTracking tracking); // returns the previous record

} // namespace platform

using HMENU = platform::Menu*;

// Shows `menu` as a standard toolkit popup menu. First WM_INITMENUPOPUP (wParam: the menu,
// lParam: 0) goes to the owner, and to the owner again for each submenu as it opens, so the owner
// can enable, disable and check items; the menu is shown from the model as it is then. The left
// edge is at x (TPM_CENTERALIGN centres on x, TPM_RIGHTALIGN puts the right edge there); the top
// edge is at y (TPM_BOTTOMALIGN puts the bottom edge at y, TPM_VCENTERALIGN centres), kept on
// the screen by the toolkit. It returns when the menu has closed. The chosen item's id is posted
// to the owner as WM_COMMAND (wParam: id, lParam: 0), unless TPM_NONOTIFY; with TPM_RETURNCMD it
// is returned instead (0 when nothing was chosen). Otherwise the result is TRUE.
//
// Items with MF_GRAYED or MF_DISABLED are shown disabled, MF_CHECKED with a check mark,
// MF_SEPARATOR as a separator, text after a tab as the item's shortcut text. MF_MENUBARBREAK and
// MF_MENUBREAK cannot start a column of a standard toolkit menu: the toolkit puts items in
// further columns by itself when the menu is taller than the screen, which is where a product
// that breaks its columns at the screen height gets them anyway. The flags stay in the model.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, platform::Window* owner);
