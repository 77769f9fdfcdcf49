// The string table, icons, and the bitmaps of the Qt resources handed to the resource registry.
#include "platform/qt/resources.h"

#include "platform/core/dib.h"
#include "platform/core/resources.h"

#include <deque>
#include <map>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QResource>

namespace platform {
namespace {

std::map<UINT, std::string>& strings() {
    static std::map<UINT, std::string> table;
    return table;
}

std::map<int, std::unique_ptr<Icon>>& icons() {
    static std::map<int, std::unique_ptr<Icon>> table;
    return table;
}

// The module that holds the program's bitmaps when nobody set another instance.
ResourceModule& programModule() {
    static ResourceModule module;
    return module;
}

// A plain picture for IDI_APPLICATION: a small window with a caption bar.
QImage applicationPicture() {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(QRect(2, 4, 28, 24), QColor(255, 255, 255));
    painter.fillRect(QRect(2, 4, 28, 6), QColor(10, 36, 106));
    painter.setPen(QColor(0, 0, 0));
    painter.drawRect(QRect(2, 4, 27, 23));
    return image;
}

} // namespace

void registerString(UINT id, std::string text) {
    strings()[id] = std::move(text);
}

void registerStrings(std::initializer_list<std::pair<UINT, const char*>> entries) {
    for (const auto& [id, text] : entries)
        registerString(id, text ? text : "");
}

bool registerIconResource(int id, const char* imagePath) {
    if (!imagePath) return false;
    const QImage image(QString::fromUtf8(imagePath));
    if (image.isNull()) return false;
    auto& slot = icons()[id];
    // A handle given out earlier stays valid: the replaced icon is kept.
    static std::vector<std::unique_ptr<Icon>> retired;
    if (slot) retired.push_back(std::move(slot));
    slot = std::make_unique<Icon>(id);
    slot->setImage(image);
    return true;
}

int registerBitmapResources(const char* resourceFolder) {
    if (!resourceFolder) return 0;
    HINSTANCE instance = applicationInstance();
    if (!instance) {
        instance = &programModule();
        setApplicationInstance(instance);
    }
    // Compressed entries are inflated once and kept for the program's lifetime.
    static std::deque<QByteArray> inflated;
    int count = 0;
    QDirIterator it(QString::fromUtf8(resourceFolder), QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        const QResource resource(path);
        if (!resource.isValid()) continue;
        const void* bytes = nullptr;
        std::size_t size = 0;
        if (resource.compressionAlgorithm() == QResource::NoCompression) {
            bytes = resource.data();
            size = std::size_t(resource.size());
        } else {
            inflated.push_back(resource.uncompressedData());
            bytes = inflated.back().constData();
            size = std::size_t(inflated.back().size());
        }
        if (!bytes || size < sizeof(BITMAPINFOHEADER)) continue;
        const QString base = QFileInfo(path).completeBaseName();
        instance->add(base.toStdString(), RT_BITMAP, bytes, size);
        bool numeric = false;
        const uint number = base.toUInt(&numeric);
        if (numeric && number <= 0xFFFF) instance->add(number, RT_BITMAP, bytes, size);
        ++count;
    }
    return count;
}

} // namespace platform

BOOL LoadString(UINT id, std::string& out) {
    const auto& table = platform::strings();
    const auto it = table.find(id);
    if (it == table.end()) {
        out.clear();
        return FALSE;
    }
    out = it->second;
    return TRUE;
}

HICON LoadIcon(int id) {
    auto& table = platform::icons();
    if (auto it = table.find(id); it != table.end()) return it->second.get();
    if (id != IDI_APPLICATION) return nullptr;
    auto icon = std::make_unique<platform::Icon>(id);
    icon->setImage(platform::applicationPicture());
    HICON result = icon.get();
    table[id] = std::move(icon);
    return result;
}
