// Mouse cursors: the program's embedded cursors (registered by number with their hot spots), the
// standard ones (IDC_ARROW, IDC_WAIT, ...), the current cursor and the wait-cursor guard.
//
// The platform has one cursor shape at a time; the toolkit has one per widget. SetCursor sets the
// layer's current cursor and shows it on the widget that receives the mouse: the window holding
// the capture, else the widget of the window whose mouse message is being handled, else the
// widget that last received a mouse event. A wait cursor shows over the whole application until
// its guard ends.
#pragma once

#include "platform/core/win_types.h"

#include <memory>
#include <string>

class QCursor;

namespace platform {

class Cursor {
public:
    Cursor(int resourceId, std::unique_ptr<QCursor> cursor);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;
    // The number it was loaded by (IDC_ARROW, 101 ...).
    int resourceId() const { return m_resourceId; }
    const QCursor& qcursor() const { return *m_cursor; }

private:
    int m_resourceId;
    std::unique_ptr<QCursor> m_cursor;
};

// Registers an embedded cursor: an image file of the Qt resources (":/cursors/up.png"; PNG with
// transparency, or any format Qt reads) and its hot spot. Pixels of transparentColour (when not
// 0xFFFFFFFF) become transparent, for formats without an alpha channel such as BMP. Replaces an
// earlier registration of the number. Returns false when the image cannot be read.
bool registerCursorResource(int id, const char* imagePath, Point hotSpot,
                            COLORREF transparentColour = 0xFFFFFFFFu);

// The resource id of the cursor the layer shows now: the wait cursor while a guard is active,
// else the last one set (0 before any).
int currentCursorId();

// Begins and ends a wait cursor (nested calls count).
void BeginWaitCursor();
void EndWaitCursor();

// Shows the wait cursor for its lifetime; Restore shows it again (after a message box changed
// the cursor).
class WaitCursor {
public:
    WaitCursor() { BeginWaitCursor(); }
    ~WaitCursor() { EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    void Restore();
};

} // namespace platform

using HCURSOR = const platform::Cursor*;

// A registered cursor by number, or a standard cursor (IDC_ARROW, IDC_WAIT, IDC_IBEAM,
// IDC_CROSS, IDC_SIZEALL, IDC_NO, IDC_HAND); null for an unknown number. Cursors live as long as
// the program.
HCURSOR LoadCursor(int id);
// Makes the cursor current; returns the previous one. Null hides the cursor.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
