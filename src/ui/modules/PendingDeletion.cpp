#include "ui/modules/PendingDeletion.h"

#include "core/ByteFormat.h"

#include <QStringList>

using NodeModulesScanner::DeletionMode;

QString PendingDeletion::id() const
{
    return NodeModulesScanner::rawValue(mode) + QLatin1Char('-') + QString::number(ids.size()) + QLatin1Char('-')
        + QString::number(qHash(ids));
}

QString PendingDeletion::title() const
{
    const qsizetype n = ids.size();
    const QString noun =
        QString::number(n) + QStringLiteral(" node_modules folder") + (n == 1 ? QString() : QStringLiteral("s"));
    if (mode == DeletionMode::trash)
        return QStringLiteral("Move ") + noun + QStringLiteral(" to the Trash?");
    return QStringLiteral("Permanently delete ") + noun + QStringLiteral("?");
}

QString PendingDeletion::message(int symlinks) const
{
    QStringList paragraphs;
    paragraphs << (mode == DeletionMode::trash
                       ? QStringLiteral("The folders go to the Trash and can be put back. The space is reclaimed "
                                        "when you empty the Trash.")
                       : QStringLiteral("This removes the folders from disk immediately. They do not go to the Trash "
                                        "and cannot be recovered."));
    if (symlinks >= 1) {
        paragraphs << QString::number(symlinks) + QStringLiteral(" of them ")
                + (symlinks == 1 ? QStringLiteral("is a symbolic link") : QStringLiteral("are symbolic links"))
                + QStringLiteral(": only the link is removed, the target keeps its files and its space.");
    }
    return paragraphs.join(QStringLiteral("\n\n"));
}

QString PendingDeletion::buttonLabel(qint64 reclaimableBytes) const
{
    const QString size = ByteFormat::string(reclaimableBytes);
    if (mode == DeletionMode::trash)
        return QStringLiteral("Move to Trash (") + size + QLatin1Char(')');
    return QStringLiteral("Delete Permanently (") + size + QLatin1Char(')');
}
