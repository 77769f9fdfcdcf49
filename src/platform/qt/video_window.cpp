// The video window on Qt Multimedia: the player and its video widget, the caption row and play
// bar, the load wait, the messages and the teardown.
#include "platform/qt/video_window.h"

#include "platform/core/avi_header.h"
#include "platform/core/dos_path.h"
#include "platform/core/file.h"
#include "platform/core/message_box.h"
#include "platform/core/system_metrics.h"
#include "platform/qt/dc.h"
#include "platform/qt/text_codec.h"
#include "platform/qt/window_host.h"

#include <algorithm>
#include <climits>
#include <utility>

#include <QAudioDevice>
#include <QAudioOutput>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLinearGradient>
#include <QMediaDevices>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QPainter>
#include <QPointer>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

namespace platform {
namespace {

DWORD g_version = kVideoLibraryVersion;

QColor sysColour(int index) {
    return toQColor(GetSysColor(index));
}

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether the file can be opened for reading; its first bytes go to *head (for the frame size).
bool readHead(const std::string& path, std::string* head) {
    File file;
    if (file.open(path, true) != 0) return false;
    head->resize(kAviHeaderProbeBytes);
    const std::int64_t got = file.readAt(0, head->data(), head->size());
    if (got < 0) return false;
    head->resize(std::size_t(got));
    return true;
}

} // namespace

void setVideoLibraryVersion(DWORD version) {
    g_version = version;
}

void resetVideoLibraryVersion() {
    g_version = kVideoLibraryVersion;
}

void selectMediaBackend() {
    // Only ever "gstreamer": Qt aborts the process for a backend name it does not know, and its
    // FFmpeg backend shows wrong colours for the old codecs and crashes without a sound device.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", QByteArrayLiteral("gstreamer"));
}

// What the window holds of the toolkit. The player goes before its audio output (members are
// destroyed in reverse order); the widgets are children of the client area and go with it.
struct VideoWindow::Media {
    std::unique_ptr<QAudioOutput> audio;
    std::unique_ptr<QMediaPlayer> player;
    QPointer<QVideoWidget> video;
    QPointer<QToolButton> button;
    QPointer<QSlider> slider;
    long long duration = 0;
};

VideoWindow::VideoWindow() = default;

VideoWindow::~VideoWindow() {
    // The base destructor would destroy the window without this class's handlers.
    if (exists()) DestroyWindow();
    closeMedium();
}

VideoWindow* VideoWindow::open(Window* parent, DWORD style, const char* file) {
    auto window = std::make_unique<VideoWindow>();
    const std::shared_ptr<bool> alive = window->data().alive;
    window->m_autoDelete = true;
    if (!window->Create(parent, style, file)) {
        // Destroyed during the load, it has deleted itself already.
        if (!*alive) window.release();
        return nullptr;
    }
    // From here the window deletes itself after WM_NCDESTROY.
    return window.release();
}

BOOL VideoWindow::Create(Window* parent, DWORD style, const char* file) {
    if (exists() || !parent || !parent->exists() || !file) return FALSE;
    const std::string path = resolveDosPath(file);
    std::string head;
    if (!readHead(path, &head)) return FALSE;
    selectMediaBackend();
    m_path = path;
    m_state = VideoState::Loading;
    m_errorText.clear();
    m_videoWidth = kDefaultWidth;
    m_videoHeight = kDefaultHeight;
    if (VideoFrameSize size; aviFrameSize(head, &size)) {
        m_videoWidth = size.width;
        m_videoHeight = size.height;
    }
    const std::string title = (style & MCIWNDF_SHOWNAME) ? baseName(path) : std::string();
    // Sized once the parts are known (they depend on the style).
    if (!CreateEx(0, nullptr, title.c_str(), style & ~WS_VISIBLE, Rect{0, 0, 1, 1}, parent))
        return FALSE;
    QWidget* client = clientWidget();

    m_media = std::make_unique<Media>();
    Media& m = *m_media;
    m.player = std::make_unique<QMediaPlayer>();
    QMediaPlayer* player = m.player.get();
    m.video = new QVideoWidget(client);
    m.video->setFocusPolicy(Qt::NoFocus);
    player->setVideoOutput(m.video.data());
    if (!QMediaDevices::audioOutputs().isEmpty()) {
        m.audio = std::make_unique<QAudioOutput>();
        player->setAudioOutput(m.audio.get());
    }
    if (!(style & MCIWNDF_NOPLAYBAR)) {
        m.button = new QToolButton(client);
        m.button->setFocusPolicy(Qt::NoFocus);
        m.button->setAutoRaise(true);
        m.button->setIcon(client->style()->standardIcon(QStyle::SP_MediaPlay));
        m.button->setEnabled(false);
        m.slider = new QSlider(Qt::Horizontal, client);
        m.slider->setFocusPolicy(Qt::NoFocus);
        m.slider->setEnabled(false);
        QObject::connect(m.button.data(), &QToolButton::clicked, player, [this] {
            if (m_state == VideoState::Playing)
                pause();
            else
                play();
        });
        QObject::connect(m.slider.data(), &QSlider::sliderMoved, player,
                         [player](int value) { player->setPosition(value); });
    }

    QObject::connect(player, &QMediaPlayer::mediaStatusChanged, player,
                     [this](QMediaPlayer::MediaStatus status) {
                         switch (status) {
                         case QMediaPlayer::LoadedMedia:
                             if (m_state == VideoState::Loading) onLoaded();
                             break;
                         case QMediaPlayer::EndOfMedia:
                             if (m_state != VideoState::Failed) setState(VideoState::Stopped);
                             break;
                         case QMediaPlayer::InvalidMedia:
                             fail(toWindows1252(m_media->player->errorString()));
                             break;
                         default:
                             break;
                         }
                     });
    QObject::connect(
        player, &QMediaPlayer::errorOccurred, player,
        [this](QMediaPlayer::Error, const QString& text) { fail(toWindows1252(text)); });
    QObject::connect(player, &QMediaPlayer::playbackStateChanged, player,
                     [this](QMediaPlayer::PlaybackState playback) {
                         if (m_state == VideoState::Loading || m_state == VideoState::Failed)
                             return;
                         setState(playback == QMediaPlayer::PlayingState  ? VideoState::Playing
                                  : playback == QMediaPlayer::PausedState ? VideoState::Paused
                                                                          : VideoState::Stopped);
                     });
    QObject::connect(player, &QMediaPlayer::durationChanged, player, [this](qint64 duration) {
        m_media->duration = duration;
        if (m_media->slider) m_media->slider->setRange(0, int(std::min<qint64>(duration, INT_MAX)));
    });
    QObject::connect(player, &QMediaPlayer::positionChanged, player, [this](qint64 position) {
        QSlider* slider = m_media->slider;
        if (slider && !slider->isSliderDown())
            slider->setValue(int(std::min<qint64>(position, INT_MAX)));
    });
    // The frame tells its size: the sink's own videoSize() must not be asked from its signals,
    // which the backend emits holding the lock videoSize() takes.
    QObject::connect(m.video->videoSink(), &QVideoSink::videoFrameChanged, player,
                     [this](const QVideoFrame& frame) {
                         const QSize size = frame.size();
                         if (frame.isValid() && size.width() > 0 && size.height() > 0)
                             setVideoSize(size.width(), size.height());
                     });

    sizeToVideo();
    if (style & WS_VISIBLE) ShowWindow(SW_SHOW);

    const std::shared_ptr<bool> alive = data().alive;
    player->setSource(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path))));
    waitForLoad(kLoadTimeoutMs);
    // Something handled during the wait may have destroyed the window.
    return *alive && exists() ? TRUE : FALSE;
}

bool VideoWindow::waitForLoad(int timeoutMs) {
    const std::shared_ptr<bool> alive = data().alive;
    QElapsedTimer clock;
    clock.start();
    // An event loop, not a polling one: the backend's bus messages arrive late to processEvents()
    // calls (about 500 ms for a load that takes 5).
    while (m_media && m_state == VideoState::Loading && clock.elapsed() < timeoutMs) {
        QMediaPlayer* player = m_media->player.get();
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(player, &QMediaPlayer::mediaStatusChanged, &loop, &QEventLoop::quit);
        QObject::connect(player, &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
        timer.start(int(std::max<qint64>(timeoutMs - clock.elapsed(), 1)));
        // closeMedium ends the wait (the window may go while it waits).
        QEventLoop* outer = std::exchange(m_loadLoop, &loop);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (!*alive) return false;
        m_loadLoop = outer;
    }
    return m_media && m_state != VideoState::Loading && m_state != VideoState::Failed;
}

void VideoWindow::onLoaded() {
    QMediaPlayer* player = m_media->player.get();
    m_media->duration = player->duration();
    if (m_media->slider) {
        m_media->slider->setRange(0, int(std::min<qint64>(m_media->duration, INT_MAX)));
        m_media->slider->setEnabled(true);
    }
    if (m_media->button) m_media->button->setEnabled(true);
    // Backends that know the picture's size at this point say so in the metadata.
    const QSize size = player->metaData().value(QMediaMetaData::Resolution).toSize();
    if (size.width() > 0 && size.height() > 0) setVideoSize(size.width(), size.height());
    setState(VideoState::Stopped);
}

void VideoWindow::fail(const std::string& text) {
    if (m_state == VideoState::Failed || !m_media) return;
    m_errorText = text.empty() ? std::string("The file is not a video that can be played.") : text;
    m_media->duration = 0;
    if (m_media->button) m_media->button->setEnabled(false);
    if (m_media->slider) m_media->slider->setEnabled(false);
    setState(VideoState::Failed);
    if (!(data().style & MCIWNDF_NOERRORDLG)) PostMessage(kErrorBoxMessage);
}

void VideoWindow::setState(VideoState state) {
    m_state = state;
    if (m_media && m_media->button) {
        const auto icon =
            state == VideoState::Playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay;
        m_media->button->setIcon(m_media->button->style()->standardIcon(icon));
    }
}

LRESULT VideoWindow::play() {
    waitForLoad(kLoadTimeoutMs);
    if (!m_media || m_state == VideoState::Loading || m_state == VideoState::Failed) return 1;
    QMediaPlayer* player = m_media->player.get();
    if (player->mediaStatus() == QMediaPlayer::EndOfMedia) player->setPosition(0);
    player->play();
    setState(VideoState::Playing);
    return 0;
}

LRESULT VideoWindow::stop() {
    if (!m_media || m_state == VideoState::Loading || m_state == VideoState::Failed) return 1;
    if (m_state != VideoState::Stopped) m_media->player->stop();
    setState(VideoState::Stopped);
    return 0;
}

void VideoWindow::pause() {
    if (!m_media || m_state != VideoState::Playing) return;
    m_media->player->pause();
    setState(VideoState::Paused);
}

void VideoWindow::closeMedium() {
    if (!m_media) return;
    if (m_loadLoop) m_loadLoop->quit();
    std::unique_ptr<Media> media = std::move(m_media);
    if (QMediaPlayer* player = media->player.get()) {
        // The handlers refer to this window: none of them may run while the medium goes.
        player->disconnect();
        if (m_state == VideoState::Playing || m_state == VideoState::Paused) player->stop();
        player->setVideoOutput(nullptr);
        player->setSource(QUrl());
    }
    media->player.reset();
    media->audio.reset();
    media->duration = 0;
}

long long VideoWindow::durationMs() const {
    return m_media && m_state != VideoState::Loading && m_state != VideoState::Failed
               ? m_media->duration
               : 0;
}

long long VideoWindow::positionMs() const {
    return m_media && m_media->player ? m_media->player->position() : 0;
}

// ---- Geometry and painting ---------------------------------------------------------------------

int VideoWindow::borderWidth() const {
    return (data().style & WS_BORDER) ? GetSystemMetrics(SM_CXBORDER) : 0;
}

int VideoWindow::captionHeight() const {
    return (data().style & WS_CAPTION) == WS_CAPTION ? GetSystemMetrics(SM_CYCAPTION) : 0;
}

int VideoWindow::playBarHeight() const {
    return (data().style & MCIWNDF_NOPLAYBAR) ? 0 : kPlayBarHeight;
}

Rect VideoWindow::captionRect() const {
    Rect all;
    GetClientRect(&all);
    const int b = borderWidth(), c = captionHeight();
    if (c == 0 || all.width() <= 2 * b) return Rect{};
    return Rect{b, b, all.right - b, b + c};
}

Rect VideoWindow::playBarRect() const {
    Rect all;
    GetClientRect(&all);
    const int b = borderWidth(), h = playBarHeight();
    if (h == 0 || all.width() <= 2 * b) return Rect{};
    const int bottom = std::max(all.bottom - b, b + captionHeight());
    return Rect{b, std::max(bottom - h, b + captionHeight()), all.right - b, bottom};
}

Rect VideoWindow::pictureRect() const {
    Rect all;
    GetClientRect(&all);
    const int b = borderWidth();
    const int top = b + captionHeight();
    const Rect bar = playBarRect();
    const int bottom = bar.height() > 0 ? bar.top : all.bottom - b;
    if (all.width() <= 2 * b || bottom <= top) return Rect{};
    return Rect{b, top, all.right - b, bottom};
}

void VideoWindow::setVideoSize(int width, int height) {
    if (width == m_videoWidth && height == m_videoHeight) return;
    m_videoWidth = width;
    m_videoHeight = height;
    if (!(data().style & MCIWNDF_NOAUTOSIZEWINDOW)) sizeToVideo();
}

void VideoWindow::sizeToVideo() {
    if (!exists()) return;
    const int b = borderWidth();
    const int pictureWidth =
        playBarHeight() > 0 ? std::max(m_videoWidth, kMinimumBarWidth) : m_videoWidth;
    const int width = pictureWidth + 2 * b;
    const int height = captionHeight() + m_videoHeight + playBarHeight() + 2 * b;
    SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A hidden window gets its resize event only when shown: place the parts now.
    layoutParts();
    Invalidate(TRUE);
}

void VideoWindow::layoutParts() {
    if (!m_media) return;
    if (m_media->video) m_media->video->setGeometry(toQRect(pictureRect()));
    const Rect bar = playBarRect();
    if (m_media->button && m_media->slider) {
        const int side = std::max(bar.height() - 4, 0);
        m_media->button->setGeometry(bar.left + 2, bar.top + 2, side, side);
        const int sliderLeft = bar.left + 2 + side + 4;
        m_media->slider->setGeometry(sliderLeft, bar.top + 2,
                                     std::max(bar.right - 4 - sliderLeft, 0), side);
    }
}

void VideoWindow::OnSize(UINT, int, int) {
    layoutParts();
}

void VideoWindow::OnPaint() {
    PaintDC dc(this);
    PaintContext* context = data().activePaint;
    if (!context || !context->painter) return;
    QPainter& painter = *context->painter;
    Rect all;
    GetClientRect(&all);
    if (const int b = borderWidth(); b > 0) {
        painter.setPen(QPen(sysColour(COLOR_WINDOWFRAME), b));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(toQRect(all)).adjusted(b / 2.0, b / 2.0, -b / 2.0, -b / 2.0));
    }
    const Rect caption = captionRect();
    if (caption.width() > 0) {
        const QRect row = toQRect(caption);
        Window* top = GetTopLevelParent();
        const bool active = top && top->frameWidget() && top->frameWidget()->isActiveWindow();
        QLinearGradient gradient(row.topLeft(), row.topRight());
        gradient.setColorAt(0, sysColour(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
        gradient.setColorAt(
            1, sysColour(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION));
        painter.fillRect(row, gradient);
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setPixelSize(11);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(sysColour(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
        const QRect textRect = row.adjusted(4, 0, -4, 0);
        painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                         painter.fontMetrics().elidedText(fromWindows1252(GetWindowText()),
                                                          Qt::ElideRight, textRect.width()));
    }
    // Behind a picture narrower than the play bar.
    const Rect picture = pictureRect();
    if (picture.width() > 0) painter.fillRect(toQRect(picture), Qt::black);
    // The play bar's controls draw no background: each of their repaints paints this first.
    const Rect bar = playBarRect();
    if (bar.width() > 0) painter.fillRect(toQRect(bar), sysColour(COLOR_3DFACE));
}

// ---- Messages and teardown ---------------------------------------------------------------------

LRESULT VideoWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case MCIWNDM_GETSTART:
        return 0;
    case MCIWNDM_GETEND:
        waitForLoad(kLoadTimeoutMs);
        return LRESULT(durationMs());
    case MCIWNDM_SETPALETTE:
    case MCIWNDM_REALIZE:
        return 0;
    case MCI_PLAY:
        return play();
    case MCI_STOP:
        return stop();
    case kErrorBoxMessage: {
        Window* parent = GetParent();
        const std::string caption = GetWindowText().empty() ? "Video" : GetWindowText();
        MessageBoxA(parent ? parent->GetSafeHwnd() : nullptr, m_errorText.c_str(), caption.c_str(),
                    MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    default:
        return Window::WindowProc(message, wParam, lParam);
    }
}

void VideoWindow::OnClose() {
    closeMedium();
    DestroyWindow();
}

void VideoWindow::OnDestroy() {
    closeMedium();
    Window::OnDestroy();
}

void VideoWindow::PostNcDestroy() {
    if (m_autoDelete) delete this;
}

QVideoWidget* VideoWindow::videoWidget() const {
    return m_media ? m_media->video.data() : nullptr;
}

QVideoSink* VideoWindow::videoSink() const {
    QVideoWidget* video = videoWidget();
    return video ? video->videoSink() : nullptr;
}

QToolButton* VideoWindow::playButton() const {
    return m_media ? m_media->button.data() : nullptr;
}

QSlider* VideoWindow::positionSlider() const {
    return m_media ? m_media->slider.data() : nullptr;
}

} // namespace platform

DWORD VideoForWindowsVersion() {
    return platform::g_version;
}

HWND MCIWndCreateA(HWND parent, void*, DWORD style, const char* file) {
    platform::Window* owner = platform::Window::FromHandle(parent);
    platform::VideoWindow* window = platform::VideoWindow::open(owner, style, file);
    return window ? window->GetSafeHwnd() : nullptr;
}
