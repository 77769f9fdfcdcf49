// The dialog-template registry, the dialog-unit conversion and the template item builders.
#include "platform/qt/dialog_template.h"

#include <cstdint>
#include <map>

namespace platform {
namespace {

std::map<UINT, DialogTemplate>& templates() {
    static std::map<UINT, DialogTemplate> registry;
    return registry;
}

// a * b / c rounded to the nearest integer, halves away from zero.
int mulDiv(int a, int b, int c) {
    const std::int64_t p = std::int64_t(a) * b;
    return p >= 0 ? int((p + c / 2) / c) : -int((-p + c / 2) / c);
}

DialogItemTemplate item(const char* className, const char* text, int id, int x, int y, int cx,
                        int cy, DWORD style, DWORD exStyle = 0) {
    DialogItemTemplate t;
    t.className = className;
    t.text = text ? text : "";
    t.id = id;
    t.x = x;
    t.y = y;
    t.cx = cx;
    t.cy = cy;
    t.style = WS_CHILD | style;
    t.exStyle = exStyle;
    return t;
}

} // namespace

void registerDialogTemplate(DialogTemplate dialog) {
    const UINT id = dialog.id;
    templates()[id] = std::move(dialog);
}

const DialogTemplate* findDialogTemplate(UINT id) {
    const auto it = templates().find(id);
    return it == templates().end() ? nullptr : &it->second;
}

int dialogUnitsToPixelsX(int units) {
    return mulDiv(units, 6, 4);
}
int dialogUnitsToPixelsY(int units) {
    return mulDiv(units, 13, 8);
}

Rect dialogItemRect(int x, int y, int cx, int cy) {
    const int left = dialogUnitsToPixelsX(x), top = dialogUnitsToPixelsY(y);
    return Rect{left, top, left + dialogUnitsToPixelsX(cx), top + dialogUnitsToPixelsY(cy)};
}

Rect MapDialogRect(const Rect& units) {
    return Rect{dialogUnitsToPixelsX(units.left), dialogUnitsToPixelsY(units.top),
                dialogUnitsToPixelsX(units.right), dialogUnitsToPixelsY(units.bottom)};
}

namespace dlg {

DialogItemTemplate ltext(const char* text, int id, int x, int y, int cx, int cy, DWORD style) {
    return item(kStaticClass, text, id, x, y, cx, cy, WS_VISIBLE | WS_GROUP | SS_LEFT | style);
}

DialogItemTemplate ctext(const char* text, int id, int x, int y, int cx, int cy, DWORD style) {
    return item(kStaticClass, text, id, x, y, cx, cy, WS_VISIBLE | WS_GROUP | SS_CENTER | style);
}

DialogItemTemplate icon(int iconResource, int id, int x, int y, int cx, int cy) {
    DialogItemTemplate t = item(kStaticClass, "", id, x, y, cx, cy, WS_VISIBLE | SS_ICON);
    t.resourceId = iconResource;
    return t;
}

DialogItemTemplate editText(int id, int x, int y, int cx, int cy, DWORD style) {
    return item(kEditClass, "", id, x, y, cx, cy, WS_VISIBLE | ES_LEFT | style);
}

DialogItemTemplate pushButton(const char* text, int id, int x, int y, int cx, int cy, DWORD style) {
    return item(kButtonClass, text, id, x, y, cx, cy, WS_VISIBLE | BS_PUSHBUTTON | style);
}

DialogItemTemplate defPushButton(const char* text, int id, int x, int y, int cx, int cy,
                                 DWORD style) {
    return item(kButtonClass, text, id, x, y, cx, cy, WS_VISIBLE | BS_DEFPUSHBUTTON | style);
}

DialogItemTemplate autoCheckBox(const char* text, int id, int x, int y, int cx, int cy,
                                DWORD style) {
    return item(kButtonClass, text, id, x, y, cx, cy, WS_VISIBLE | BS_AUTOCHECKBOX | style);
}

DialogItemTemplate autoRadioButton(const char* text, int id, int x, int y, int cx, int cy,
                                   DWORD style) {
    return item(kButtonClass, text, id, x, y, cx, cy, WS_VISIBLE | BS_AUTORADIOBUTTON | style);
}

DialogItemTemplate groupBox(const char* text, int id, int x, int y, int cx, int cy, DWORD style) {
    return item(kButtonClass, text, id, x, y, cx, cy, WS_VISIBLE | BS_GROUPBOX | style);
}

DialogItemTemplate comboBox(int id, int x, int y, int cx, int cy, DWORD style) {
    return item(kComboBoxClass, "", id, x, y, cx, cy, WS_VISIBLE | style);
}

DialogItemTemplate ownerDrawButton(const char* text, int id, int x, int y, int cx, int cy,
                                   DWORD style) {
    return item(kButtonClass, text, id, x, y, cx, cy, WS_VISIBLE | BS_OWNERDRAW | style);
}

DialogItemTemplate scrollBar(int id, int x, int y, int cx, int cy, DWORD style) {
    return item(kScrollBarClass, "", id, x, y, cx, cy, style);
}

DialogItemTemplate control(const char* text, int id, const char* className, DWORD style, int x,
                           int y, int cx, int cy, DWORD exStyle) {
    return item(className, text, id, x, y, cx, cy, style, exStyle);
}

} // namespace dlg
} // namespace platform
