// Cursors: registered and standard cursors, the current cursor and the wait cursor.
#include "platform/qt/cursor.h"

#include "platform/qt/win_constants.h"
#include "platform/qt/window_host.h"

#include <map>
#include <vector>

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

namespace platform {
namespace {

std::map<int, std::unique_ptr<Cursor>>& cursors() {
    static std::map<int, std::unique_ptr<Cursor>> table;
    return table;
}

HCURSOR g_current = nullptr;
int g_waitCount = 0;

bool standardShape(int id, Qt::CursorShape* shape) {
    switch (id) {
    case IDC_ARROW:
        *shape = Qt::ArrowCursor;
        return true;
    case IDC_IBEAM:
        *shape = Qt::IBeamCursor;
        return true;
    case IDC_WAIT:
        *shape = Qt::WaitCursor;
        return true;
    case IDC_CROSS:
        *shape = Qt::CrossCursor;
        return true;
    case IDC_SIZEALL:
        *shape = Qt::SizeAllCursor;
        return true;
    case IDC_NO:
        *shape = Qt::ForbiddenCursor;
        return true;
    case IDC_HAND:
        *shape = Qt::PointingHandCursor;
        return true;
    default:
        return false;
    }
}

void applyCurrentCursor() {
    QWidget* target = cursorTargetWidget();
    if (!target) return;
    const auto id = reinterpret_cast<quintptr>(g_current);
    const QVariant shown = target->property("platformCursor");
    if (shown.isValid() && shown.value<quintptr>() == id) return;
    target->setProperty("platformCursor", QVariant::fromValue(id));
    if (g_current)
        target->setCursor(g_current->qcursor());
    else
        target->setCursor(Qt::BlankCursor);
}

} // namespace

Cursor::Cursor(int resourceId, std::unique_ptr<QCursor> cursor)
    : m_resourceId(resourceId), m_cursor(std::move(cursor)) {}

Cursor::~Cursor() = default;

bool registerCursorResource(int id, const char* imagePath, Point hotSpot,
                            COLORREF transparentColour) {
    if (!imagePath) return false;
    QImage image(QString::fromUtf8(imagePath));
    if (image.isNull()) return false;
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (transparentColour != 0xFFFFFFFFu) {
        const QRgb key = qRgb(GetRValue(transparentColour), GetGValue(transparentColour),
                              GetBValue(transparentColour));
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((row[x] & 0x00FFFFFFu) == (key & 0x00FFFFFFu)) row[x] = 0;
        }
    }
    auto cursor = std::make_unique<QCursor>(QPixmap::fromImage(image), hotSpot.x, hotSpot.y);
    auto& slot = cursors()[id];
    // A handle given out earlier stays valid: the replaced cursor is kept.
    static std::vector<std::unique_ptr<Cursor>> retired;
    if (slot) retired.push_back(std::move(slot));
    slot = std::make_unique<Cursor>(id, std::move(cursor));
    return true;
}

int currentCursorId() {
    if (g_waitCount > 0) return IDC_WAIT;
    return g_current ? g_current->resourceId() : 0;
}

void BeginWaitCursor() {
    if (g_waitCount++ == 0 && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void EndWaitCursor() {
    if (g_waitCount == 0) return;
    if (--g_waitCount == 0) {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QGuiApplication::restoreOverrideCursor();
        applyCurrentCursor();
    }
}

void WaitCursor::Restore() {
    if (g_waitCount > 0 && qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
        !QGuiApplication::overrideCursor())
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

} // namespace platform

HCURSOR LoadCursor(int id) {
    auto& table = platform::cursors();
    if (auto it = table.find(id); it != table.end()) return it->second.get();
    Qt::CursorShape shape;
    if (!platform::standardShape(id, &shape)) return nullptr;
    auto cursor = std::make_unique<platform::Cursor>(id, std::make_unique<QCursor>(shape));
    HCURSOR result = cursor.get();
    table[id] = std::move(cursor);
    return result;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR previous = platform::g_current;
    platform::g_current = cursor;
    platform::applyCurrentCursor();
    return previous;
}

HCURSOR GetCursor() {
    return platform::g_current;
}
