// Device contexts drawn with QPainter: paint, client, memory and printer contexts.
#include "platform/qt/dc.h"

#include "platform/core/system_metrics.h"
#include "platform/qt/print_device.h"
#include "platform/qt/text_codec.h"
#include "platform/qt/window.h"
#include "platform/qt/window_host.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPrinter>

namespace platform {
namespace {

// The largest scratch image kept between StretchDIBits calls (larger ones are made per call).
constexpr std::int64_t kScratchKeepPixels = std::int64_t(2560) * 1600;

// A 32-bit scratch image of at least the size, reused between calls on the display.
QImage scratchImage(int width, int height) {
    static QImage kept;
    if (std::int64_t(width) * height > kScratchKeepPixels)
        return QImage(width, height, QImage::Format_RGB32);
    if (kept.width() < width || kept.height() < height)
        kept = QImage(std::max(width, kept.width()), std::max(height, kept.height()),
                      QImage::Format_RGB32);
    if (kept.isNull()) return QImage();
    return QImage(kept.bits(), width, height, kept.bytesPerLine(), QImage::Format_RGB32);
}

// The pixel writer of stretchDibToSurface leaves the top byte 0; the toolkit's 32-bit RGB
// format wants 0xFF there.
void makeOpaque(QImage& image, const QRect& area) {
    const QRect r = area & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y)) + r.left();
        for (int x = 0; x < r.width(); ++x)
            row[x] |= 0xFF000000u;
    }
}

// The part of the destination whose pixels come from inside the bitmap (stretchDibToSurface
// leaves the others alone), within `area`.
Rect coveredDestination(const Rect& area, int xDest, int yDest, int destWidth, int destHeight,
                        int xSrc, int ySrc, int srcWidth, int srcHeight, int imageWidth,
                        int imageHeight) {
    auto column = [&](std::int64_t x) {
        return std::int64_t(xSrc) + (x - xDest) * srcWidth / destWidth;
    };
    auto row = [&](std::int64_t y) {
        return std::int64_t(ySrc) + srcHeight - 1 - (y - yDest) * srcHeight / destHeight;
    };
    int left = area.left, right = area.right, top = area.top, bottom = area.bottom;
    while (left < right && (column(left) < 0 || column(left) >= imageWidth))
        ++left;
    while (right > left && (column(right - 1) < 0 || column(right - 1) >= imageWidth))
        --right;
    while (top < bottom && (row(top) < 0 || row(top) >= imageHeight))
        ++top;
    while (bottom > top && (row(bottom - 1) < 0 || row(bottom - 1) >= imageHeight))
        --bottom;
    return Rect{left, top, right, bottom};
}

Qt::PenStyle penStyleOf(int style) {
    switch (style) {
    case PS_DASH:
        return Qt::DashLine;
    case PS_DOT:
        return Qt::DotLine;
    case PS_NULL:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

int drawTextFlags(UINT format) {
    int flags = 0;
    if (format & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else if (format & DT_RIGHT)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if (format & DT_SINGLELINE) {
        flags |= Qt::TextSingleLine;
        if (format & DT_VCENTER)
            flags |= Qt::AlignVCenter;
        else if (format & DT_BOTTOM)
            flags |= Qt::AlignBottom;
        else
            flags |= Qt::AlignTop;
    } else {
        flags |= Qt::AlignTop;
    }
    if (format & DT_WORDBREAK) flags |= Qt::TextWordWrap;
    if (format & DT_NOCLIP) flags |= Qt::TextDontClip;
    if (format & DT_EXPANDTABS) flags |= Qt::TextExpandTabs;
    if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;
    return flags;
}

QString displayText(std::string_view text) {
    QString s = fromWindows1252(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

} // namespace

// ---- DC ----------------------------------------------------------------------------------------

DC::DC(Window* window)
    : m_window(window), m_pen(static_cast<Pen*>(stockObject(BLACK_PEN))),
      m_brush(static_cast<Brush*>(stockObject(WHITE_BRUSH))),
      m_font(static_cast<Font*>(stockObject(SYSTEM_FONT))) {}

DC::~DC() = default;

QColor DC::drawnColour(COLORREF colour) const {
    const bool paletteIndex = (colour >> 24) == 0x01;
    return toQColor(colour, isDisplay() || paletteIndex ? m_palette : nullptr);
}

Rect DC::clipRect() const {
    const Rect base = baseClip();
    return m_hasClip ? base.intersect(m_clip) : base;
}

Rect DC::GetClipBox() const {
    return clipRect();
}

int DC::IntersectClipRect(int left, int top, int right, int bottom) {
    const Rect r{left, top, right, bottom};
    m_clip = m_hasClip ? m_clip.intersect(r) : (r.isEmpty() ? Rect{} : r);
    m_hasClip = true;
    return m_clip.isEmpty() ? NULLREGION : SIMPLEREGION;
}

void DC::prepare(QPainter& painter) const {
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_pen->style() == PS_NULL) {
        painter.setPen(Qt::NoPen);
    } else {
        QPen pen(drawnColour(m_pen->colour()));
        pen.setWidth(m_pen->width() <= 1 ? 0 : m_pen->width());
        pen.setStyle(penStyleOf(m_pen->style()));
        pen.setJoinStyle(Qt::MiterJoin);
        pen.setCapStyle(Qt::SquareCap);
        painter.setPen(pen);
    }
    if (m_brush->isHollow())
        painter.setBrush(Qt::NoBrush);
    else
        painter.setBrush(drawnColour(m_brush->colour()));
    painter.setFont(m_font->qfont());
    if (m_hasClip) painter.setClipRect(toQRect(m_clip), Qt::IntersectClip);
}

UINT DC::RealizePalette() {
    const UINT changed = DeviceContext::RealizePalette();
    if (changed != 0 && changed != GDI_ERROR_UINT && m_window && !m_background &&
        m_window->exists())
        postToTopLevelWindows(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(m_window->GetSafeHwnd()),
                              0);
    return changed;
}

int DC::StretchDIBits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                      int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info,
                      UINT usage, DWORD rop) {
    if (usage != DIB_RGB_COLORS || rop != SRCCOPY || !bits || !info) return 0;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight <= 0 ||
        h.biPlanes != 1 || (h.biBitCount != 8 && h.biBitCount != 24) || h.biCompression != BI_RGB)
        return 0;
    if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) return 0;
    const Palette* mapTo = isDisplay() && displayUsesPalette() ? m_palette : nullptr;

    const std::int64_t right = std::int64_t(xDest) + destWidth;
    const std::int64_t bottom = std::int64_t(yDest) + destHeight;
    const Rect dest{xDest, yDest, int(std::min<std::int64_t>(right, INT_MAX)),
                    int(std::min<std::int64_t>(bottom, INT_MAX))};
    Rect area = dest.intersect(clipRect());
    if (!area.isEmpty())
        area = coveredDestination(area, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth,
                                  srcHeight, h.biWidth, h.biHeight);
    if (area.isEmpty()) return srcHeight;

    if (QImage* image = directImage(); image && image->format() == QImage::Format_RGB32) {
        const PixelSurface surface{reinterpret_cast<std::uint32_t*>(image->bits()), image->width(),
                                   image->height(), std::ptrdiff_t(image->bytesPerLine() / 4)};
        const int rows = stretchDibToSurface(surface, area, xDest, yDest, destWidth, destHeight,
                                             xSrc, ySrc, srcWidth, srcHeight, bits, info, mapTo);
        makeOpaque(*image, toQRect(area));
        return rows;
    }

    QImage scratch = scratchImage(area.width(), area.height());
    if (scratch.isNull()) return 0;
    const PixelSurface surface{reinterpret_cast<std::uint32_t*>(scratch.bits()), scratch.width(),
                               scratch.height(), std::ptrdiff_t(scratch.bytesPerLine() / 4)};
    const int rows = stretchDibToSurface(surface, Rect{0, 0, area.width(), area.height()},
                                         xDest - area.left, yDest - area.top, destWidth, destHeight,
                                         xSrc, ySrc, srcWidth, srcHeight, bits, info, mapTo);
    if (rows == 0) return 0;
    makeOpaque(scratch, scratch.rect());
    paint(area, [&](QPainter& painter) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(area.left, area.top), scratch);
    });
    return rows;
}

void DC::FillSolidRect(const Rect& rect, COLORREF colour) {
    const Rect r{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom),
                 std::max(rect.left, rect.right), std::max(rect.top, rect.bottom)};
    if (r.isEmpty()) return;
    const QColor c = drawnColour(colour);
    paint(r, [&](QPainter& painter) { painter.fillRect(toQRect(r), c); });
}

void DC::FillSolidRect(int x, int y, int width, int height, COLORREF colour) {
    FillSolidRect(Rect{x, y, x + width, y + height}, colour);
}

int DC::GetDeviceCaps(int index) const {
    return displayDeviceCaps(index);
}

// ---- Objects -----------------------------------------------------------------------------------

Pen* DC::SelectObject(Pen* pen) {
    if (!pen || !pen->hasHandle()) return nullptr;
    return std::exchange(m_pen, pen);
}

Brush* DC::SelectObject(Brush* brush) {
    if (!brush || !brush->hasHandle()) return nullptr;
    return std::exchange(m_brush, brush);
}

Font* DC::SelectObject(Font* font) {
    if (!font || !font->hasHandle()) return nullptr;
    return std::exchange(m_font, font);
}

Bitmap* DC::SelectObject(Bitmap* bitmap) {
    if (!dynamic_cast<MemoryDC*>(this) || !bitmap || !bitmap->hasHandle()) return nullptr;
    Bitmap* previous = m_bitmap;
    m_bitmap = bitmap;
    // The first selection answers the context's default: a 1 x 1 placeholder.
    static Bitmap placeholder;
    return previous ? previous : &placeholder;
}

GdiObject* DC::SelectObject(GdiObject* object) {
    if (!object) return nullptr;
    switch (object->kind()) {
    case GdiKind::Pen:
        return SelectObject(static_cast<Pen*>(object));
    case GdiKind::Brush:
        return SelectObject(static_cast<Brush*>(object));
    case GdiKind::Font:
        return SelectObject(static_cast<Font*>(object));
    case GdiKind::Bitmap: {
        auto* bitmap = static_cast<Bitmap*>(object);
        if (!bitmap->hasHandle() && dynamic_cast<MemoryDC*>(this)) {
            // Selecting the default placeholder back deselects the bitmap.
            Bitmap* previous = m_bitmap;
            m_bitmap = nullptr;
            return previous;
        }
        return SelectObject(bitmap);
    }
    }
    return nullptr;
}

GdiObject* DC::SelectStockObject(int index) {
    return SelectObject(stockObject(index));
}

COLORREF DC::SetTextColor(COLORREF colour) {
    return std::exchange(m_textColour, colour);
}
COLORREF DC::SetBkColor(COLORREF colour) {
    return std::exchange(m_bkColour, colour);
}

int DC::SetBkMode(int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    return std::exchange(m_bkMode, mode);
}

int DC::SetMapMode(int mode) {
    return mode == MM_TEXT ? MM_TEXT : 0;
}

// ---- Shapes ------------------------------------------------------------------------------------

BOOL DC::Rectangle(int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right - left < 2 || bottom - top < 2) return TRUE;
    const int width = m_pen->style() == PS_NULL ? 0 : m_pen->width();
    const bool insideFrame = m_pen->style() == PS_INSIDEFRAME && width > 1;
    const Rect bounds{left - width, top - width, right + width, bottom + width};
    paint(bounds, [&](QPainter& painter) {
        const bool nullPen = painter.pen().style() == Qt::NoPen;
        if (painter.brush().style() != Qt::NoBrush) {
            const QRect fill = nullPen ? QRect(left, top, right - left - 1, bottom - top - 1)
                                       : QRect(left, top, right - left, bottom - top);
            painter.fillRect(fill, painter.brush());
        }
        if (!nullPen) {
            painter.setBrush(Qt::NoBrush);
            QRect outline(left, top, right - left - 1, bottom - top - 1);
            if (insideFrame)
                outline.adjust(width / 2, width / 2, -(width - 1) / 2, -(width - 1) / 2);
            painter.drawRect(outline);
        }
    });
    return TRUE;
}

Point DC::MoveTo(int x, int y) {
    return std::exchange(m_position, Point{x, y});
}

BOOL DC::LineTo(int x, int y) {
    const Point from = std::exchange(m_position, Point{x, y});
    const int dx = x - from.x, dy = y - from.y;
    if (dx == 0 && dy == 0) return TRUE;
    // The end point is not drawn: stop one pixel short along the longer axis.
    QPointF end;
    if (std::abs(dx) >= std::abs(dy)) {
        const double step = dx > 0 ? -1.0 : 1.0;
        end = QPointF(x + step, y + step * double(dy) / double(dx));
    } else {
        const double step = dy > 0 ? -1.0 : 1.0;
        end = QPointF(x + step * double(dx) / double(dy), y + step);
    }
    const int w = std::max(m_pen->width(), 1);
    const Rect bounds{std::min(from.x, x) - w, std::min(from.y, y) - w, std::max(from.x, x) + w + 1,
                      std::max(from.y, y) + w + 1};
    paint(bounds,
          [&](QPainter& painter) { painter.drawLine(QPoint(from.x, from.y), end.toPoint()); });
    return TRUE;
}

void DC::DrawFocusRect(const Rect& rect) {
    if (rect.isEmpty()) return;
    paint(rect, [&](QPainter& painter) {
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        QPen pen(Qt::white);
        pen.setWidth(0);
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(rect.left, rect.top, rect.width() - 1, rect.height() - 1));
    });
}

// ---- Text --------------------------------------------------------------------------------------

BOOL DC::TextOut(int x, int y, std::string_view text) {
    const QString s = fromWindows1252(text);
    const QFontMetrics metrics(m_font->qfont());
    const int width = metrics.horizontalAdvance(s);
    const int height = metrics.ascent() + metrics.descent();
    const int slack = metrics.ascent() / 3 + 1; // italic overhang
    const Rect bounds{x - slack, y, x + width + slack, y + height};
    const QColor text_colour = drawnColour(m_textColour);
    const QColor background = drawnColour(m_bkColour);
    const bool opaque = m_bkMode == OPAQUE;
    paint(bounds, [&](QPainter& painter) {
        if (opaque) painter.fillRect(QRect(x, y, width, height), background);
        painter.setPen(text_colour);
        painter.drawText(QPoint(x, y + metrics.ascent()), s);
    });
    return TRUE;
}

int DC::DrawText(std::string_view text, Rect* rect, UINT format) {
    if (!rect) return 0;
    QString s = displayText(text);
    const int flags = drawTextFlags(format);
    const QFontMetrics metrics(m_font->qfont());
    const QRect target = toQRect(*rect);
    if ((format & DT_END_ELLIPSIS) && (format & DT_SINGLELINE))
        s = metrics.elidedText(s, Qt::ElideRight, std::max(target.width(), 0),
                               flags & Qt::TextShowMnemonic);
    if ((format & DT_CALCRECT) && (format & DT_SINGLELINE)) {
        // The advance width of the shown text (without mnemonic marks) and the font's height,
        // as GetTextExtent measures.
        QString shown = s;
        if (!(format & DT_NOPREFIX)) {
            shown.clear();
            for (qsizetype i = 0; i < s.size(); ++i) {
                if (s[i] == u'&' && i + 1 < s.size()) ++i;
                shown += s[i];
            }
        }
        rect->right = rect->left + metrics.horizontalAdvance(shown);
        rect->bottom = rect->top + metrics.ascent() + metrics.descent();
        return metrics.ascent() + metrics.descent();
    }
    if (format & DT_CALCRECT) {
        const int wrapWidth =
            (format & DT_WORDBREAK) && target.width() > 0 ? target.width() : INT_MAX / 4;
        const QRect extent = metrics.boundingRect(
            QRect(target.left(), target.top(), wrapWidth, INT_MAX / 4),
            flags & ~(Qt::AlignVCenter | Qt::AlignBottom | Qt::AlignHCenter | Qt::AlignRight), s);
        rect->right = rect->left + extent.width();
        rect->bottom = rect->top + extent.height();
        return extent.height();
    }
    const QRect extent = metrics.boundingRect(target, flags, s);
    const Rect bounds = (format & DT_NOCLIP) ? fromQRect(extent | target) : *rect;
    const QColor text_colour = drawnColour(m_textColour);
    const QColor background = drawnColour(m_bkColour);
    const bool opaque = m_bkMode == OPAQUE;
    paint(bounds, [&](QPainter& painter) {
        if (opaque) painter.fillRect(extent & (format & DT_NOCLIP ? extent : target), background);
        painter.setPen(text_colour);
        painter.drawText(target, flags, s);
    });
    if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)))
        return extent.bottom() + 1 - target.top();
    return extent.height();
}

BOOL DC::GetTextMetrics(TEXTMETRIC* out) const {
    if (!out) return FALSE;
    const QFont& font = m_font->qfont();
    const QFontMetrics metrics(font);
    LOGFONT lf{};
    const bool haveLogFont = m_font->GetLogFont(&lf) != FALSE;
    *out = TEXTMETRIC{};
    out->tmAscent = metrics.ascent();
    out->tmDescent = metrics.descent();
    out->tmHeight = out->tmAscent + out->tmDescent;
    const int pixelSize = font.pixelSize() > 0 ? font.pixelSize() : out->tmHeight;
    out->tmInternalLeading = std::max<LONG>(out->tmHeight - pixelSize, 0);
    out->tmExternalLeading = std::max(metrics.leading(), 0);
    out->tmAveCharWidth = metrics.averageCharWidth();
    out->tmMaxCharWidth = metrics.maxWidth();
    out->tmWeight = haveLogFont && lf.lfWeight > 0 ? lf.lfWeight : int(font.weight());
    out->tmItalic = font.italic() ? 1 : 0;
    out->tmUnderlined = font.underline() ? 1 : 0;
    out->tmStruckOut = font.strikeOut() ? 1 : 0;
    out->tmPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    out->tmCharSet = ANSI_CHARSET;
    return TRUE;
}

Size DC::GetTextExtent(std::string_view text) const {
    const QFontMetrics metrics(m_font->qfont());
    return Size{metrics.horizontalAdvance(fromWindows1252(text)),
                metrics.ascent() + metrics.descent()};
}

BOOL DC::GetTextExtentPoint32(const char* text, int length, Size* out) const {
    if (!out || (!text && length > 0) || length < 0) return FALSE;
    *out = GetTextExtent(std::string_view(text ? text : "", std::size_t(length)));
    return TRUE;
}

// ---- Pictures ----------------------------------------------------------------------------------

BOOL DC::DrawIcon(int x, int y, HICON icon) {
    if (!icon) return FALSE;
    const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
    const QImage image = icon->image(cx, cy);
    if (image.isNull()) return FALSE;
    paint(Rect{x, y, x + cx, y + cy},
          [&](QPainter& painter) { painter.drawImage(QPoint(x, y), image); });
    return TRUE;
}

BOOL DC::DrawIconEx(int x, int y, HICON icon, int width, int height, UINT, Brush*, UINT flags) {
    if (!icon || !(flags & DI_NORMAL)) return FALSE;
    if ((flags & DI_DEFAULTSIZE) || width <= 0 || height <= 0) {
        if (width <= 0 || (flags & DI_DEFAULTSIZE)) width = GetSystemMetrics(SM_CXICON);
        if (height <= 0 || (flags & DI_DEFAULTSIZE)) height = GetSystemMetrics(SM_CYICON);
    }
    const QImage image = icon->image(width, height);
    if (image.isNull()) return FALSE;
    paint(Rect{x, y, x + width, y + height},
          [&](QPainter& painter) { painter.drawImage(QPoint(x, y), image); });
    return TRUE;
}

BOOL DC::DrawEdge(Rect* rect, UINT edge, UINT flags) {
    if (!rect) return FALSE;
    Rect r = *rect;
    // One border from the outside in: its top-left and bottom-right colours.
    const auto border = [&](COLORREF topLeft, COLORREF bottomRight) {
        if (r.isEmpty()) return;
        if (flags & BF_TOP) FillSolidRect(Rect{r.left, r.top, r.right, r.top + 1}, topLeft);
        if (flags & BF_LEFT) FillSolidRect(Rect{r.left, r.top, r.left + 1, r.bottom}, topLeft);
        if (flags & BF_BOTTOM)
            FillSolidRect(Rect{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
        if (flags & BF_RIGHT)
            FillSolidRect(Rect{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
        if (flags & BF_LEFT) ++r.left;
        if (flags & BF_TOP) ++r.top;
        if (flags & BF_RIGHT) --r.right;
        if (flags & BF_BOTTOM) --r.bottom;
    };
    if (edge & BDR_RAISEDOUTER)
        border(GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW));
    else if (edge & BDR_SUNKENOUTER)
        border(GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DHIGHLIGHT));
    if (edge & BDR_RAISEDINNER)
        border(GetSysColor(COLOR_3DHIGHLIGHT), GetSysColor(COLOR_3DSHADOW));
    else if (edge & BDR_SUNKENINNER)
        border(GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
    if ((flags & BF_MIDDLE) && !r.isEmpty()) FillSolidRect(r, GetSysColor(COLOR_3DFACE));
    if (flags & BF_ADJUST) *rect = r;
    return TRUE;
}

BOOL DC::BitBlt(int x, int y, int width, int height, DC* source, int xSrc, int ySrc, DWORD rop) {
    return StretchBlt(x, y, width, height, source, xSrc, ySrc, width, height, rop);
}

BOOL DC::StretchBlt(int x, int y, int width, int height, DC* source, int xSrc, int ySrc,
                    int srcWidth, int srcHeight, DWORD rop) {
    if (width < 0 || height < 0 || srcWidth < 0 || srcHeight < 0) return FALSE;
    if (width == 0 || height == 0) return TRUE;
    const Rect bounds{x, y, x + width, y + height};
    if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY) {
        const bool pattern = rop == PATCOPY;
        const QColor colour = rop == WHITENESS ? QColor(255, 255, 255) : QColor(0, 0, 0);
        paint(bounds, [&](QPainter& painter) {
            if (pattern) {
                if (painter.brush().style() != Qt::NoBrush)
                    painter.fillRect(toQRect(bounds), painter.brush());
            } else {
                painter.fillRect(toQRect(bounds), colour);
            }
        });
        return TRUE;
    }
    QPainter::CompositionMode mode;
    switch (rop) {
    case SRCCOPY:
        mode = QPainter::CompositionMode_SourceOver;
        break;
    case SRCAND:
        mode = QPainter::RasterOp_SourceAndDestination;
        break;
    case SRCPAINT:
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
    default:
        return FALSE;
    }
    Bitmap* bitmap = source ? source->selectedBitmap() : nullptr;
    if (!bitmap || !bitmap->image()) return FALSE;
    // Copying a bitmap onto itself needs a copy of the source part.
    const QImage* image = bitmap->image();
    QImage copy;
    if (source == this) {
        copy = image->copy(QRect(xSrc, ySrc, srcWidth, srcHeight));
        image = &copy;
        xSrc = 0;
        ySrc = 0;
    }
    const QRect from(xSrc, ySrc, srcWidth, srcHeight);
    paint(bounds, [&](QPainter& painter) {
        painter.setCompositionMode(mode);
        painter.drawImage(toQRect(bounds), *image, from);
    });
    return TRUE;
}

BOOL DC::DrawDeviceBitmap(int x, int y, const DeviceBitmap& bitmap) {
    Bitmap copy;
    if (!copy.CreateFromDeviceBitmap(&bitmap)) return FALSE;
    const QImage* image = copy.image();
    paint(Rect{x, y, x + bitmap.width, y + bitmap.height},
          [&](QPainter& painter) { painter.drawImage(QPoint(x, y), *image); });
    return TRUE;
}

// ---- PaintDC -----------------------------------------------------------------------------------

PaintDC::PaintDC(Window* window) : DC(window), m_painter(nullptr) {
    if (window && window->exists()) {
        if (PaintContext* context = window->data().activePaint) {
            m_painter = context->painter;
            m_ps.rcPaint = context->rcPaint;
            m_ps.fErase = context->erase ? TRUE : FALSE;
        }
    }
}

PaintDC::~PaintDC() = default;

void PaintDC::paint(const Rect& bounds, const std::function<void(QPainter&)>& operation) {
    if (!m_painter || bounds.intersect(clipRect()).isEmpty()) return;
    m_painter->save();
    prepare(*m_painter);
    operation(*m_painter);
    m_painter->restore();
}

Rect PaintDC::baseClip() const {
    return m_painter ? m_ps.rcPaint : Rect{};
}

// ---- ClientDC ----------------------------------------------------------------------------------

ClientDC::ClientDC(Window* window) : DC(window) {}
ClientDC::~ClientDC() = default;

void ClientDC::paint(const Rect& bounds, const std::function<void(QPainter&)>& operation) {
    if (!m_window || !m_window->exists()) return;
    const Rect area = bounds.intersect(clipRect());
    if (area.isEmpty()) return;
    runClientOperation(*m_window, area, [&](QPainter& painter) {
        painter.save();
        prepare(painter);
        operation(painter);
        painter.restore();
    });
}

Rect ClientDC::baseClip() const {
    Rect r;
    if (m_window) m_window->GetClientRect(&r);
    return r;
}

// ---- MemoryDC ----------------------------------------------------------------------------------

MemoryDC::MemoryDC() : DC(nullptr) {}
MemoryDC::MemoryDC(DC*) : DC(nullptr) {}
MemoryDC::~MemoryDC() = default;

void MemoryDC::paint(const Rect& bounds, const std::function<void(QPainter&)>& operation) {
    QImage* image = directImage();
    if (!image || bounds.intersect(clipRect()).isEmpty()) return;
    QPainter painter(image);
    prepare(painter);
    operation(painter);
}

Rect MemoryDC::baseClip() const {
    const Size size = m_bitmap ? m_bitmap->size() : Size{};
    return Rect{0, 0, size.cx, size.cy};
}

QImage* MemoryDC::directImage() {
    return m_bitmap ? m_bitmap->image() : nullptr;
}

// ---- PrinterDC ---------------------------------------------------------------------------------

PrinterDC::PrinterDC() : DC(nullptr) {}

PrinterDC::~PrinterDC() {
    // A document left open is thrown away: nothing that was not ended goes to the printer.
    if (m_painter && m_printer) m_printer->abort(*m_painter);
}

BOOL PrinterDC::Attach(std::shared_ptr<PrintDevice> printer) {
    if (!printer || m_printer) return FALSE;
    m_printer = std::move(printer);
    return TRUE;
}

std::shared_ptr<PrintDevice> PrinterDC::Detach() {
    if (m_painter && m_printer) m_printer->abort(*m_painter);
    m_painter.reset();
    return std::exchange(m_printer, nullptr);
}

QPrinter* PrinterDC::printer() const {
    return m_printer ? &m_printer->printer() : nullptr;
}

int PrinterDC::StartDocA(const DOCINFO* info) {
    if (!m_printer || m_painter || !info || info->cbSize < kDocInfoSize) return SP_ERROR;
    if (takePrinterFailure(PrinterCall::StartDoc)) return SP_ERROR;
    auto painter = std::make_unique<QPainter>();
    if (!m_printer->begin(info->lpszDocName ? info->lpszDocName : "", *painter)) return SP_ERROR;
    m_painter = std::move(painter);
    m_pagesStarted = 0;
    m_pageOpen = false;
    static int jobs = 0;
    return ++jobs;
}

int PrinterDC::StartDoc(const char* documentName) {
    DOCINFO info;
    info.cbSize = kDocInfoSize;
    info.lpszDocName = documentName;
    return StartDocA(&info);
}

int PrinterDC::StartPage() {
    if (!m_painter || takePrinterFailure(PrinterCall::StartPage)) return SP_ERROR;
    // The document begins on its first sheet; later pages each start a new one.
    if (m_pagesStarted > 0 && !m_printer->printer().newPage()) return SP_ERROR;
    ++m_pagesStarted;
    m_pageOpen = true;
    return 1;
}

int PrinterDC::EndPage() {
    if (!m_painter || !m_pageOpen || takePrinterFailure(PrinterCall::EndPage)) return SP_ERROR;
    m_pageOpen = false;
    return 1;
}

int PrinterDC::EndDoc() {
    if (!m_painter) return SP_ERROR;
    if (takePrinterFailure(PrinterCall::EndDoc)) {
        m_printer->abort(*m_painter);
        m_painter.reset();
        return SP_ERROR;
    }
    const int job = m_printer->finish(*m_painter);
    m_painter.reset();
    m_pageOpen = false;
    return job > 0 ? job : SP_ERROR;
}

int PrinterDC::AbortDoc() {
    if (!m_painter) return SP_ERROR;
    m_printer->abort(*m_painter);
    m_painter.reset();
    m_pageOpen = false;
    return 1;
}

int PrinterDC::StretchDIBits(int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                             int ySrc, int srcWidth, int srcHeight, const void* bits,
                             const BITMAPINFO* info, UINT usage, DWORD rop) {
    if (usage != DIB_RGB_COLORS || rop != SRCCOPY || !bits || !info) return 0;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight <= 0 ||
        h.biPlanes != 1 || (h.biBitCount != 8 && h.biBitCount != 24) || h.biCompression != BI_RGB)
        return 0;
    if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) return 0;
    if (takePrinterFailure(PrinterCall::StretchDIBits)) return 0;
    // The source is copied at its own size and scaled by the printer, so the page holds the
    // picture's own pixels whatever the resolution.
    constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28;
    if (std::int64_t(srcWidth) * srcHeight > kMaxPixels) return 0;
    // The scratch image kept for the display serves here too: a fresh image of a photograph's
    // size would cost a page fault for every 4 KB of it on every printout. The printer's engine
    // writes the picture out before drawImage returns. Where the source rectangle reaches beyond
    // the bitmap, the pixels it leaves alone are paper white.
    QImage source = scratchImage(srcWidth, srcHeight);
    if (source.isNull()) return 0;
    const bool inside = xSrc >= 0 && ySrc >= 0 && std::int64_t(xSrc) + srcWidth <= h.biWidth &&
                        std::int64_t(ySrc) + srcHeight <= h.biHeight;
    if (!inside) source.fill(Qt::white);
    const PixelSurface surface{reinterpret_cast<std::uint32_t*>(source.bits()), source.width(),
                               source.height(), std::ptrdiff_t(source.bytesPerLine() / 4)};
    const int rows =
        stretchDibToSurface(surface, Rect{0, 0, srcWidth, srcHeight}, 0, 0, srcWidth, srcHeight,
                            xSrc, ySrc, srcWidth, srcHeight, bits, info, nullptr);
    if (rows == 0) return 0;
    const std::int64_t right = std::int64_t(xDest) + destWidth;
    const std::int64_t bottom = std::int64_t(yDest) + destHeight;
    const Rect dest{xDest, yDest, int(std::min<std::int64_t>(right, INT_MAX)),
                    int(std::min<std::int64_t>(bottom, INT_MAX))};
    paint(dest, [&](QPainter& painter) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(toQRect(dest), source);
    });
    return rows;
}

int PrinterDC::GetDeviceCaps(int index) const {
    const QPrinter* device = printer();
    if (!device) return 0;
    switch (index) {
    case HORZRES:
        return device->width();
    case VERTRES:
        return device->height();
    case LOGPIXELSX:
        return device->logicalDpiX();
    case LOGPIXELSY:
        return device->logicalDpiY();
    case BITSPIXEL:
        return 24;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case SIZEPALETTE:
        return 0;
    case RASTERCAPS:
        return takePrinterFailure(PrinterCall::StretchCaps)
                   ? RC_BITBLT | RC_DIBTODEV
                   : RC_BITBLT | RC_DIBTODEV | RC_STRETCHDIB;
    case PHYSICALWIDTH:
        return int(device->paperRect(QPrinter::DevicePixel).width());
    case PHYSICALHEIGHT:
        return int(device->paperRect(QPrinter::DevicePixel).height());
    case PHYSICALOFFSETX:
        return int(device->pageRect(QPrinter::DevicePixel).left() -
                   device->paperRect(QPrinter::DevicePixel).left());
    case PHYSICALOFFSETY:
        return int(device->pageRect(QPrinter::DevicePixel).top() -
                   device->paperRect(QPrinter::DevicePixel).top());
    default:
        return 0;
    }
}

void PrinterDC::paint(const Rect& bounds, const std::function<void(QPainter&)>& operation) {
    if (!m_painter || bounds.intersect(clipRect()).isEmpty()) return;
    m_painter->save();
    prepare(*m_painter);
    operation(*m_painter);
    m_painter->restore();
}

Rect PrinterDC::baseClip() const {
    const QPrinter* device = printer();
    return device ? Rect{0, 0, device->width(), device->height()} : Rect{};
}

} // namespace platform
