#include "ui/kit/Icons.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QPaintDevice>
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

namespace {

// Draws one single-colour SVG in a tint, resolving the tint from the application palette
// when it paints, so icons follow a change between light and dark palettes.
class TintedIconEngine : public QIconEngine
{
public:
    TintedIconEngine(const QString &symbol, const Tint &tint);

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    [[nodiscard]] QIconEngine *clone() const override;
    [[nodiscard]] QString key() const override;
    [[nodiscard]] QString iconName() override;
    [[nodiscard]] bool isNull() override;

private:
    [[nodiscard]] QColor colorFor(QIcon::Mode mode) const;

    QString m_symbol;
    Tint m_tint;
};

TintedIconEngine::TintedIconEngine(const QString &symbol, const Tint &tint)
    : m_symbol(symbol)
    , m_tint(tint)
{
}

QColor TintedIconEngine::colorFor(QIcon::Mode mode) const
{
    const QPalette palette = QGuiApplication::palette();
    switch (mode) {
    case QIcon::Disabled:
        return m_tint.resolve(palette, QPalette::Disabled);
    case QIcon::Selected:
        if (!m_tint.isFixed())
            return palette.color(QPalette::HighlightedText);
        break;
    case QIcon::Normal:
    case QIcon::Active:
        break;
    }
    return m_tint.resolve(palette);
}

void TintedIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State)
{
    const int side = qMin(rect.width(), rect.height());
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap drawn = Icons::pixmap(m_symbol, side, colorFor(mode), dpr);
    const QRect target(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2, side, side);
    painter->drawPixmap(target, drawn);
}

QPixmap TintedIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap TintedIconEngine::scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal scale)
{
    return Icons::pixmap(m_symbol, qMin(size.width(), size.height()), colorFor(mode), scale);
}

QSize TintedIconEngine::actualSize(const QSize &size, QIcon::Mode, QIcon::State)
{
    const int side = qMin(size.width(), size.height());
    return {side, side};
}

QIconEngine *TintedIconEngine::clone() const
{
    return new TintedIconEngine(m_symbol, m_tint);
}

QString TintedIconEngine::key() const
{
    return QStringLiteral("TintedIconEngine");
}

QString TintedIconEngine::iconName()
{
    return m_symbol;
}

bool TintedIconEngine::isNull()
{
    return !Icons::hasSymbol(m_symbol);
}

} // namespace

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
