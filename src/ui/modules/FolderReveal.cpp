#include "ui/modules/FolderReveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QSet>
#include <QStringList>
#include <QUrl>

namespace FolderReveal {

namespace {

// A file manager that is not running is started by the bus; that can take a moment.
constexpr int s_answerTimeoutMs = 10'000;

void openContainingFolders(const QList<QByteArray> &paths, const UnopenedFunction &unopened)
{
    QSet<QByteArray> tried;
    QList<QByteArray> failed;
    for (const QByteArray &path : paths) {
        const QByteArray parent = path.left(std::max<qsizetype>(1, path.lastIndexOf('/')));
        if (tried.contains(parent))
            continue;
        tried.insert(parent);
        if (!QDesktopServices::openUrl(QUrl(fileUri(parent), QUrl::StrictMode)))
            failed << parent;
    }
    if (!failed.isEmpty() && unopened)
        unopened(failed);
}

} // namespace

QString fileUri(const QByteArray &path)
{
    return QStringLiteral("file://") + QString::fromLatin1(path.toPercentEncoding("/"));
}

void showItems(const QList<QByteArray> &paths, QObject *context, UnopenedFunction unopened)
{
    if (paths.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openContainingFolders(paths, unopened);
        return;
    }
    QStringList uris;
    for (const QByteArray &path : paths)
        uris << fileUri(path);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, s_answerTimeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, paths, unopened] {
        watcher->deleteLater();
        if (watcher->isError())
            openContainingFolders(paths, unopened);
    });
}

} // namespace FolderReveal
