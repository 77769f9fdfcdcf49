// Dialog templates: the C++ form of a dialog resource (rectangles in dialog units, styles,
// caption, font and items), registered by number and found by Dialog. Also the dialog-unit
// conversion.
//
// Dialog units. All dialogs use the fixed base unit of "MS Sans Serif" 8 point: 6 pixels across
// and 13 pixels down per four horizontal and eight vertical units. A horizontal value is
// du * 6 / 4 pixels and a vertical one du * 13 / 8, each rounded to the nearest pixel (halves
// away from zero). A template rectangle (x, y, cx, cy) converts each of its four numbers on its
// own, as the platform creates controls; MapDialogRect converts the four edges of a rectangle.
// The template's size is the client area's size; frame and caption come on top.
#pragma once

#include "platform/core/win_types.h"
#include "platform/qt/win_constants.h"

#include <string>
#include <vector>

namespace platform {

// Window class names of the controls a template can hold; later control kinds (list boxes,
// rich-edit fields) register their own (see registerControlClass in controls.h).
inline constexpr const char* kButtonClass = "BUTTON";
inline constexpr const char* kEditClass = "EDIT";
inline constexpr const char* kStaticClass = "STATIC";
inline constexpr const char* kScrollBarClass = "SCROLLBAR";
inline constexpr const char* kListBoxClass = "LISTBOX";
inline constexpr const char* kComboBoxClass = "COMBOBOX";
inline constexpr const char* kRichEditClass = "RichEdit20A";

// The id of controls that are never looked up (IDC_STATIC).
constexpr int kIdStatic = -1;

struct DialogItemTemplate {
    std::string className; // kButtonClass ...
    int id = kIdStatic;
    int x = 0, y = 0, cx = 0, cy = 0; // dialog units
    std::string text;                 // Windows-1252
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    int resourceId = 0; // SS_ICON: the icon resource shown
};

struct DialogTemplate {
    UINT id = 0;
    int x = 0, y = 0, cx = 0, cy = 0; // dialog units; (x, y) relative to the owner's client area
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    DWORD exStyle = 0;
    std::string caption;
    std::string fontFace = "MS Sans Serif";
    int fontPointSize = 8;
    std::vector<DialogItemTemplate> items;
};

// Registers a template (replacing one of the same number).
void registerDialogTemplate(DialogTemplate dialog);
// The template with the number, or null.
const DialogTemplate* findDialogTemplate(UINT id);

int dialogUnitsToPixelsX(int units);
int dialogUnitsToPixelsY(int units);
// The pixel rectangle of a template rectangle (x, y, cx, cy in dialog units).
Rect dialogItemRect(int x, int y, int cx, int cy);
// Converts the four edges of a rectangle in dialog units to pixels.
Rect MapDialogRect(const Rect& units);

// Items written the way the resource compiler's statements read.
namespace dlg {
DialogItemTemplate ltext(const char* text, int id, int x, int y, int cx, int cy, DWORD style = 0);
DialogItemTemplate ctext(const char* text, int id, int x, int y, int cx, int cy, DWORD style = 0);
DialogItemTemplate icon(int iconResource, int id, int x, int y, int cx, int cy);
DialogItemTemplate editText(int id, int x, int y, int cx, int cy,
                            DWORD style = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP);
DialogItemTemplate pushButton(const char* text, int id, int x, int y, int cx, int cy,
                              DWORD style = WS_TABSTOP);
DialogItemTemplate defPushButton(const char* text, int id, int x, int y, int cx, int cy,
                                 DWORD style = WS_TABSTOP);
DialogItemTemplate autoCheckBox(const char* text, int id, int x, int y, int cx, int cy,
                                DWORD style = WS_TABSTOP);
// The first radio button of a group takes WS_GROUP | WS_TABSTOP in style; the ones after it
// without WS_GROUP belong to its group.
DialogItemTemplate autoRadioButton(const char* text, int id, int x, int y, int cx, int cy,
                                   DWORD style = 0);
DialogItemTemplate groupBox(const char* text, int id, int x, int y, int cx, int cy,
                            DWORD style = 0);
// cy is the height of the dropped list; the closed box has the height of the toolkit's box.
DialogItemTemplate comboBox(int id, int x, int y, int cx, int cy,
                            DWORD style = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP);
DialogItemTemplate ownerDrawButton(const char* text, int id, int x, int y, int cx, int cy,
                                   DWORD style = WS_TABSTOP);
// SBS_HORZ or SBS_VERT in style; add WS_VISIBLE to show it at once (hidden by default).
DialogItemTemplate scrollBar(int id, int x, int y, int cx, int cy, DWORD style);
// Any class with explicit styles (WS_CHILD is always added).
DialogItemTemplate control(const char* text, int id, const char* className, DWORD style, int x,
                           int y, int cx, int cy, DWORD exStyle = 0);
} // namespace dlg

} // namespace platform
