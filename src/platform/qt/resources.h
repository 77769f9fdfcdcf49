// How the program's embedded resources are found.
//
//   - Strings: a C++ table registered by number (registerStrings); LoadString looks them up.
//   - Dialog templates and menus: C++ tables (dialog_template.h, menu.h).
//   - Bitmaps, cursors and icons: files in a Qt resource collection (.qrc) compiled into the
//     program. Bitmaps are stored as DIBs, a BMP file without its 14-byte file header (info
//     header, colour table, rows); the .qrc must store them uncompressed (rcc --no-compress, or
//     compression-algorithm="none"), so that their bytes are used in place. A bitmap's name is
//     its file's base name ("IDB_LOCATORU.dib" -> "IDB_LOCATORU"; a base name made of digits is
//     also its number). registerBitmapResources hands them to the bitmap registry that
//     LoadBitmapResource reads. Cursors are registered with their hot spots
//     (registerCursorResource, cursor.h), icons with registerIconResource.
//
// A resource collection compiled into a static library must be initialised from the program
// (Q_INIT_RESOURCE(name) in a function outside any namespace) before it is registered.
#pragma once

#include "platform/qt/gdi.h"

#include <initializer_list>
#include <string>
#include <utility>

namespace platform {

void registerString(UINT id, std::string text);
void registerStrings(std::initializer_list<std::pair<UINT, const char*>> strings);

// Registers an icon from an image of the Qt resources (PNG or ICO); false when it cannot be read.
bool registerIconResource(int id, const char* imagePath);

// Registers every file of a Qt resource folder (":/bitmaps") as a bitmap resource; returns how
// many were registered. Files that are not plausible DIBs (shorter than the info header) are
// skipped.
int registerBitmapResources(const char* resourceFolder);

} // namespace platform

// The string with the number; FALSE (and out emptied) when there is none.
BOOL LoadString(UINT id, std::string& out);
// A registered icon, or IDI_APPLICATION (a generic picture); null for an unknown number.
HICON LoadIcon(int id);
