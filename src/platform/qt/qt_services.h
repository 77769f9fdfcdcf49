// The Qt-backed services that plain C++ code reaches through platform/core: the message-box sink
// that shows a real QMessageBox, and the WindowServices of the layer's windows.
#pragma once

#include "platform/core/message_box.h"
#include "platform/core/window_services.h"

namespace platform {

// Shows the box as a QMessageBox: owned by the owner's top-level window (or none), the caption
// and text converted from Windows-1252 (CR LF line ends become LF), the icon from MB_ICON... and
// the buttons from MB_TYPEMASK; MB_SYSTEMMODAL makes it application modal. Returns IDOK, IDCANCEL,
// IDYES, IDNO, IDABORT, IDRETRY or IDIGNORE.
int showQtMessageBox(const MessageBoxCall& call);

// The layer's window services (IsWindow, the main window, client device contexts, RedrawWindow,
// InvalidateRect, ScrollWindow, UpdateWindow, Sleep).
WindowServices& qtWindowServices();

// Installs the window services, and the QMessageBox sink unless keepMessageBoxSink (tests keep
// their recording sink).
void installQtServices(bool keepMessageBoxSink = false);

} // namespace platform
