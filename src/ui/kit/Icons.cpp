#include "ui/kit/Icons.h"

#include "ui/kit/TintedIconEngine.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

namespace Icons {

namespace {

struct Entry
{
    const char *symbol;
    const char *file;
    const char *themeName = nullptr; // the freedesktop icon name, where one fits
};

// Outline symbols come from Lucide (ISC), filled ones from Bootstrap Icons (MIT); two
// that neither set has are our own. The licences lie beside the files.
constexpr Entry s_table[] = {
    {"powerplug.fill", "bootstrap/plug-fill.svg"},
    {"shippingbox.fill", "bootstrap/box-seam-fill.svg"},
    {"shippingbox", "lucide/package.svg"},
    {"chart.bar.xaxis", "bootstrap/bar-chart-line-fill.svg"},
    {"exclamationmark.triangle.fill", "bootstrap/exclamation-triangle-fill.svg", "dialog-warning"},
    {"magnifyingglass", "lucide/search.svg", "edit-find"},
    {"xmark.circle.fill", "bootstrap/x-circle-fill.svg", "edit-clear"},
    {"arrow.clockwise", "lucide/rotate-cw.svg", "view-refresh"},
    {"checkmark.circle.fill", "bootstrap/check-circle-fill.svg"},
    {"info.circle.fill", "own/info-circle-fill.svg", "dialog-information"},
    {"lock.open.fill", "bootstrap/unlock-fill.svg"},
    {"xmark.octagon", "lucide/octagon-x.svg"},
    {"stop.circle", "lucide/circle-stop.svg", "process-stop"},
    {"circle.fill", "bootstrap/circle-fill.svg"},
    {"n.square", "lucide/square-letter-n.svg"},
    {"bird", "lucide/bird.svg"},
    {"bolt", "lucide/zap.svg"},
    {"atom", "lucide/atom.svg"},
    {"arrow.triangle.2.circlepath", "lucide/refresh-cw.svg"},
    {"hexagon", "lucide/hexagon.svg"},
    {"folder", "lucide/folder.svg", "folder"},
    {"link", "lucide/link.svg"},
    {"trash", "lucide/trash-2.svg", "user-trash"},
    {"trash.circle", "own/trash-circle.svg"},
    {"xmark.bin.fill", "own/xmark-bin-fill.svg", "edit-delete"},
};

const Entry *entryOf(const QString &symbol)
{
    for (const Entry &entry : s_table) {
        if (symbol == QLatin1String(entry.symbol))
            return &entry;
    }
    return nullptr;
}

QString resourcePath(const QString &symbol)
{
    const Entry *entry = entryOf(symbol);
    return entry ? QStringLiteral(":/icons/") + QLatin1String(entry->file) : QString();
}

// The SVG with its colour fixed to opaque black; the tint is laid on afterwards, which
// also keeps a tint's alpha (secondary and tertiary text styles).
const QByteArray &blackSvg(const QString &path)
{
    static QHash<QString, QByteArray> s_cache;
    auto found = s_cache.find(path);
    if (found == s_cache.end()) {
        QFile file(path);
        QByteArray svg = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        svg.replace("currentColor", "#000000");
        found = s_cache.insert(path, svg);
    }
    return *found;
}

} // namespace

const QStringList &symbolNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const Entry &entry : s_table)
            list << QLatin1String(entry.symbol);
        return list;
    }();
    return names;
}

bool hasSymbol(const QString &symbol)
{
    return !resourcePath(symbol).isEmpty();
}

QIcon icon(const QString &symbol, const Tint &tint)
{
    if (!hasSymbol(symbol))
        return {};
    return QIcon(new TintedIconEngine(symbol, tint));
}

QString themeName(const QString &symbol)
{
    const Entry *entry = entryOf(symbol);
    return entry && entry->themeName ? QLatin1String(entry->themeName) : QString();
}

QIcon themed(const QString &symbol, const Tint &tint)
{
    const QString name = themeName(symbol);
    return name.isEmpty() ? icon(symbol, tint) : QIcon::fromTheme(name, icon(symbol, tint));
}

QPixmap pixmap(const QString &symbol, int size, const QColor &color, qreal dpr)
{
    const QString path = resourcePath(symbol);
    if (path.isEmpty() || size <= 0)
        return {};
    const int device = qMax(1, qRound(size * dpr));
    const QString key = QStringLiteral("quaylight-icon:%1:%2:%3:%4")
                            .arg(symbol)
                            .arg(device)
                            .arg(dpr)
                            .arg(color.rgba(), 8, 16, QLatin1Char('0'));
    QPixmap drawn;
    if (!QPixmapCache::find(key, &drawn)) {
        drawn = QPixmap(device, device);
        drawn.fill(Qt::transparent);
        QSvgRenderer renderer(blackSvg(path));
        renderer.setAspectRatioMode(Qt::KeepAspectRatio);
        QPainter painter(&drawn);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, device, device));
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(drawn.rect(), color);
        painter.end();
        drawn.setDevicePixelRatio(dpr);
        QPixmapCache::insert(key, drawn);
    }
    return drawn;
}

} // namespace Icons
