#include "core/processes/NodeProcess.h"

#include "core/processes/DevPorts.h"

#include <QHashFunctions>

#include <algorithm>
#include <array>

QString NodeProcess::rawValue(Kind kind)
{
    // In the order of Kind.
    static constexpr std::array<QStringView, 7> s_rawValues{u"Next.js", u"NestJS",   u"Vite", u"React",
                                                            u"nodemon", u"npm/yarn", u"Node"};
    static_assert(s_rawValues.size() == std::size_t(Kind::node) + 1);
    return s_rawValues[std::size_t(kind)].toString();
}

QString NodeProcess::printable(const QString &text)
{
    const auto needsEscape = [](char16_t c) {
        return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x061c || c == 0x200e || c == 0x200f
            || (c >= 0x2028 && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
    };
    if (std::none_of(text.cbegin(), text.cend(), [&](QChar c) { return needsEscape(c.unicode()); }))
        return text;
    QString escaped;
    escaped.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (needsEscape(c.unicode()))
            escaped += QLatin1String("\\u") + QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0');
        else
            escaped += c;
    }
    return escaped;
}

qint64 NodeProcess::memoryBytes() const
{
    return rssKB * 1024;
}

QString NodeProcess::portsText() const
{
    if (ports.isEmpty())
        return QStringLiteral("—");
    QString text;
    for (const int port : ports) {
        if (!text.isEmpty())
            text += QLatin1String(", ");
        text += QString::number(port);
    }
    return text;
}

QString NodeProcess::elapsedText() const
{
    const qint64 s = elapsedSeconds;
    if (s >= 86400)
        return QStringLiteral("%1d %2h").arg(s / 86400).arg((s % 86400) / 3600);
    if (s >= 3600)
        return QStringLiteral("%1h %2m").arg(s / 3600).arg((s % 3600) / 60);
    if (s >= 60)
        return QStringLiteral("%1m %2s").arg(s / 60).arg(s % 60);
    return QStringLiteral("%1s").arg(s);
}

QString NodeProcess::summaryText() const
{
    QString text = QStringLiteral("%1 · pid %2 · up %3").arg(rawValue(kind)).arg(pid).arg(elapsedText());
    if (!ports.isEmpty())
        text += QStringLiteral(" · port ") + portsText();
    return text;
}

std::optional<QString> NodeProcess::hangingReason() const
{
    switch (kind) {
    case Kind::next:
    case Kind::nest:
    case Kind::vite:
    case Kind::react:
    case Kind::nodemon:
        return rawValue(kind) + QLatin1String(" dev server");
    case Kind::packageManager:
    case Kind::node:
        break;
    }

    const QSet<int> &devPorts = ProcessScanner::devPorts();
    for (const int port : ports) {
        if (devPorts.contains(port))
            return QStringLiteral("listening on port %1").arg(port);
    }

    const QString lower = command.toLower();
    const bool looksLikeDevScript = lower.contains(QLatin1String(" dev")) || lower.contains(QLatin1String(" start"))
        || lower.contains(QLatin1String(" serve"));
    if (looksLikeDevScript && elapsedSeconds >= 1801)
        return QLatin1String("running `") + printable(command) + QLatin1String("` for ") + elapsedText();
    return std::nullopt;
}

size_t qHash(const NodeProcess &process, size_t seed)
{
    seed = qHashMulti(seed, process.id, process.pid, process.ppid, NodeProcess::rawValue(process.kind), process.command,
                      process.cwd.has_value());
    if (process.cwd)
        seed = qHashMulti(seed, *process.cwd);
    seed = qHashMulti(seed, process.ports.size());
    for (const int port : process.ports)
        seed = qHashMulti(seed, port);
    return qHashMulti(seed, process.elapsedSeconds, process.rssKB, process.startTime.has_value(),
                      process.startTime.value_or(0));
}
