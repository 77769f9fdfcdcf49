// CBitmapDlg: a small modal window that shows one image file as an owner-drawn picture button
// covering its client area, sized to the image (at most the area of its parent) and centred on a
// given screen point. The panorama window shows its locator map with it; a click on the picture
// closes it.
#pragma once

#include <string>

#include "hotspots/palette_bitmap_button.h"
#include "imaging/cmemdib.h"
#include "platform/core/palette.h"
#include "platform/qt/dialog.h"

class CBitmapDlg : public platform::Dialog {
public:
    static constexpr UINT kTemplateId = 153;
    static constexpr UINT kPictureId = 1011;
    // DoModal's result after a click on the picture, and when the image or the picture could not
    // be made (the window is then never shown).
    static constexpr int kClosedByClick = 1;
    static constexpr int kInitFailed = 2;

    // imagePath: the file to show (".JPG" names are read as JPEG); palette: the shared palette;
    // title: the window's title and the caption of its own messages; (centreX, centreY): the
    // screen point the window is centred on; closeOnClick: 1 when a click on the picture closes
    // the window.
    CBitmapDlg(const std::string& imagePath, platform::Palette* palette, const std::string& title,
               int centreX, int centreY, BOOL closeOnClick, platform::Window* parent);
    ~CBitmapDlg() override;

    const std::string& imagePath() const { return m_imagePath; }
    const std::string& title() const { return m_title; }
    Point centre() const { return m_centre; }
    CPaletteBitmapButton& pictureButton() { return m_picture; }

    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnQueryNewPalette() override;
    void OnPaletteChanged(platform::Window* focusWindow) override;

private:
    // Shows the message through the parent with the title as caption and ends the dialog with
    // kInitFailed.
    void failInit(const char* text);
    void SizeAndPlace();

    // Fields, in the order of the design.
    std::string m_imagePath;
    platform::Palette* m_palette; // not owned
    CPaletteBitmapButton m_picture;
    Point m_centre;
    std::string m_title;
    BOOL m_closeOnClick;
    Cmemdib m_image; // held only while the window initialises
    platform::Window* m_parentWindow;
};
