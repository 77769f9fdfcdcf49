// An owner-drawn push button that shows pictures made with the shared palette: the button faces of
// the command bar (from bitmap resources) and the picture of the bitmap display window (from a
// memory bitmap).
#pragma once

#include "platform/core/device_context.h"
#include "platform/core/palette.h"
#include "platform/qt/controls.h"

#include <memory>

class Cmemdib;

class CPaletteBitmapButton : public platform::Button {
public:
    explicit CPaletteBitmapButton(platform::Palette* palette = nullptr);
    ~CPaletteBitmapButton() override;

    void setPalette(platform::Palette* palette) { m_palette = palette; }
    platform::Palette* palette() const { return m_palette; }

    // Drops every picture the button holds.
    void DeleteBitmaps();
    // Loads the named bitmap resources (null or empty: no such picture) in the order up, down,
    // focus, disabled and turns each into a device bitmap with the palette. Failures are reported
    // as "name\nmessage" through parent with the caption, in a plain box when plain_box is set.
    // TRUE when the up picture was made; a missing down, focus or disabled picture is no failure.
    BOOL LoadBitmaps(const char* up, const char* down, const char* focus, const char* disabled,
                     HWND parent, BOOL plain_box, const char* caption);
    // Makes the up picture from a loaded memory bitmap (no other pictures). FALSE when the device
    // bitmap cannot be made.
    BOOL LoadBitmapFromMemory(Cmemdib& image, HWND parent, BOOL plain_box, const char* caption);
    // Sizes the button to its up picture; FALSE (and nothing changes) without one.
    BOOL SizeToContent();

    // The picture drawn for an owner-draw state: the down picture while pressed, else the
    // disabled picture while disabled, else the up picture; each only when the button has it.
    // Null without an up picture (then nothing is drawn). The focus picture is held but never
    // drawn.
    const platform::DeviceBitmap* pictureFor(UINT itemState) const;
    bool hasUpPicture() const { return m_up != nullptr; }
    bool hasDownPicture() const { return m_down != nullptr; }
    bool hasDisabledPicture() const { return m_disabled != nullptr; }
    // The size of the up picture (0 without one).
    int bitmapWidth() const { return m_width; }
    int bitmapHeight() const { return m_height; }

    // Draws pictureFor(state) at the button's top-left corner.
    void DrawItem(platform::DRAWITEMSTRUCT* item) override;

private:
    platform::Palette* m_palette;
    std::unique_ptr<platform::DeviceBitmap> m_up;
    std::unique_ptr<platform::DeviceBitmap> m_down;
    std::unique_ptr<platform::DeviceBitmap> m_focus;
    std::unique_ptr<platform::DeviceBitmap> m_disabled;
    int m_width = 0;
    int m_height = 0;

    std::unique_ptr<platform::DeviceBitmap> loadPicture(const char* name, HWND parent,
                                                        BOOL plain_box, const char* caption);
};
