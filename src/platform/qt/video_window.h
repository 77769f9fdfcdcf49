// The video window: a child window that plays one video file (AVI with Motion-JPEG, Cinepak,
// MS Video 1 or Indeo pictures and PCM or IMA-ADPCM sound) through Qt Multimedia's GStreamer
// backend. Programs make it with MCIWndCreateA and drive it with messages:
//   MCI_PLAY             plays from the start, or resumes a paused video; 0, or 1 when the window
//                        has no medium that loaded
//   MCI_STOP             stops (the next MCI_PLAY starts from the beginning); 0, or 1 as above
//   MCIWNDM_GETSTART     0
//   MCIWNDM_GETEND       the medium's length in milliseconds; 0 (start == end: nothing to play)
//                        when the file failed to load or is still loading after the wait
//   MCIWNDM_SETPALETTE,
//   MCIWNDM_REALIZE      accepted, 0 (frames are shown in true colour)
//   WM_CLOSE             closes the medium and destroys the window
// SetWindowText sets the caption.
//
// Look. With WS_CAPTION the window has a caption row with its title; below it the picture at the
// video's natural size, and below that (unless MCIWNDF_NOPLAYBAR) a play bar with a play/pause
// button and a position slider. The layer's child windows have no non-client area, so the border,
// the caption row and the play bar are parts of the window's own area (GetClientRect covers them;
// pictureRect() and the other part rectangles say where they are). Unless
// MCIWNDF_NOAUTOSIZEWINDOW, the window sizes itself to the picture plus its parts: to the size
// the file's header declares when it is made (320 x 240 when the header tells none), and again
// when the first decoded frame shows another size (with the flag, only when it is made).
// MCIWNDF_SHOWNAME titles it with the file's name.
//
// Failures. A missing or unreadable file fails at once, before the backend sees it
// (MCIWndCreateA answers null). A file the backend cannot play (not a video, corrupt) gives a
// window in the Failed state whose MCIWNDM_GETEND answers 0; without MCIWNDF_NOERRORDLG a
// message box with the reason follows (posted, so it never runs inside the load). A failed medium
// is never started or stopped: the backend needs a second to stop a pipeline that failed.
// A QAudioOutput is attached only when the system has a sound device; without one, a clip with
// sound plays its pictures.
//
// Blocking. Making the window waits until the backend has loaded the file or failed, at most
// kLoadTimeoutMs (3 s), in a nested event loop that handles no user input (timers and posted
// messages are delivered meanwhile). MCIWNDM_GETEND and MCI_PLAY wait the same way while a load
// is still going. Loading takes a few milliseconds; stopping a video that plays takes the backend
// about 300 ms.
//
// Ownership. The window MCIWndCreateA makes belongs to the layer: its object deletes itself after
// its last message (WM_NCDESTROY), however it is destroyed (WM_CLOSE, DestroyWindow, with its
// parent). A VideoWindow made with Create belongs to the caller; destroying the object destroys
// the window.
#pragma once

#include "platform/qt/window.h"

#include <memory>
#include <string>

class QEventLoop;
class QSlider;
class QToolButton;
class QVideoSink;
class QVideoWidget;

// The video library's version: the high word's bytes are the major and the minor version
// (0x010A0000: 1.10).
DWORD VideoForWindowsVersion();

// Makes a video window (see the file comment) for a DOS-style file name (either separator, any
// case) in the parent's client area at (0, 0); `instance` is not used. Null when the parent is
// not a live window or the file is missing or unreadable.
HWND MCIWndCreateA(HWND parent, void* instance, DWORD style, const char* file);

namespace platform {

// What VideoForWindowsVersion reports unless a test changes it.
inline constexpr DWORD kVideoLibraryVersion = 0x010A0000;
// Makes VideoForWindowsVersion report another version (tests of a program's version check), and
// puts the real one back.
void setVideoLibraryVersion(DWORD version);
void resetVideoLibraryVersion();

// Chooses Qt Multimedia's GStreamer backend (QT_MEDIA_BACKEND=gstreamer) unless the environment
// names one. It must run before the first media object of the process is made; the application,
// the test support and every video window call it.
void selectMediaBackend();

enum class VideoState {
    Loading, // the backend is reading the file
    Stopped, // loaded, at the start or at the end
    Playing,
    Paused,
    Failed, // the file could not be played; errorText() says why
};

class VideoWindow : public Window {
public:
    static constexpr int kLoadTimeoutMs = 3000;
    // The picture's size until the video's own is known.
    static constexpr int kDefaultWidth = 320;
    static constexpr int kDefaultHeight = 240;
    static constexpr int kPlayBarHeight = 26;
    // The play bar needs this much width; a narrower picture is centred above it.
    static constexpr int kMinimumBarWidth = 120;
    // Posted to the window to show a failure's message box after the load.
    static constexpr UINT kErrorBoxMessage = WM_USER + 0x300;

    VideoWindow();
    ~VideoWindow() override;

    // Makes the window (owned by the caller) and opens the file; see MCIWndCreateA.
    BOOL Create(Window* parent, DWORD style, const char* file);
    // Makes a window the layer owns (what MCIWndCreateA does); null on failure.
    static VideoWindow* open(Window* parent, DWORD style, const char* file);

    VideoState state() const { return m_state; }
    // Why the medium failed (Windows-1252, as every text of the layer).
    const std::string& errorText() const { return m_errorText; }
    // The file as found on this file system.
    const std::string& path() const { return m_path; }
    // The length in milliseconds once loaded (0 before and after a failure), and the position.
    long long durationMs() const;
    long long positionMs() const;
    // The picture's natural size as known so far (the header's, then the frames').
    int videoWidth() const { return m_videoWidth; }
    int videoHeight() const { return m_videoHeight; }
    // Waits until the load has ended (see the file comment); true when the medium loaded.
    bool waitForLoad(int timeoutMs = kLoadTimeoutMs);

    // The parts of the window, in its own coordinates (empty when it has no such part).
    Rect captionRect() const;
    Rect pictureRect() const;
    Rect playBarRect() const;

    // ---- Layer use ----
    QVideoWidget* videoWidget() const;
    // Where decoded frames arrive (tests read them here: the widget's own grab stays blank).
    QVideoSink* videoSink() const;
    QToolButton* playButton() const;
    QSlider* positionSlider() const;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void OnPaint() override;
    void OnSize(UINT type, int width, int height) override;
    void OnClose() override;
    void OnDestroy() override;
    void PostNcDestroy() override;

private:
    struct Media;
    LRESULT play();
    LRESULT stop();
    void pause();
    void closeMedium();
    void fail(const std::string& text);
    void setState(VideoState state);
    void onLoaded();
    void setVideoSize(int width, int height);
    void sizeToVideo();
    void layoutParts();
    int borderWidth() const;
    int captionHeight() const;
    int playBarHeight() const;

    std::unique_ptr<Media> m_media;
    VideoState m_state = VideoState::Loading;
    std::string m_errorText;
    std::string m_path;
    int m_videoWidth = kDefaultWidth;
    int m_videoHeight = kDefaultHeight;
    bool m_autoDelete = false;
    // The innermost waitForLoad loop running, if one is.
    QEventLoop* m_loadLoop = nullptr;
};

} // namespace platform
