#include "cli/ModulesCommand.h"

#include "cli/Await.h"
#include "cli/Consent.h"
#include "cli/InterruptWatcher.h"
#include "cli/ProjectActivity.h"
#include "cli/Terminal.h"
#include "cli/TextTable.h"
#include "core/ByteFormat.h"
#include "core/DateFormat.h"
#include "core/fs/FilePaths.h"
#include "core/modules/ModuleSizeText.h"
#include "core/modules/ScanStore.h"
#include "core/processes/NodeProcess.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

#include <algorithm>
#include <sys/stat.h>

namespace {

using Mode = NodeModulesScanner::DeletionMode;

// A path as JSON: a string when its bytes are UTF-8, else the array of its byte values,
// so that a script can always get the exact name back.
QJsonValue pathJson(const QByteArray &path)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(path);
    if (!decoder.hasError())
        return text;
    QJsonArray bytes;
    for (const char byte : path)
        bytes.append(int(quint8(byte)));
    return bytes;
}

QJsonValue dateJson(const QDateTime &date)
{
    if (date <= DateFormat::distantPast())
        return QJsonValue::Null;
    return date.toUTC().toString(Qt::ISODate);
}

QString plural(qsizetype n, const QString &word)
{
    return QString::number(n) + QLatin1Char(' ') + word + (n == 1 ? QString() : QStringLiteral("s"));
}

QJsonArray textArray(const QStringList &lines)
{
    return QJsonArray::fromStringList(lines);
}

} // namespace

ModulesCommand::ModulesCommand(const CliOptions &options, const InterruptWatcher &interrupts)
    : m_options(options)
    , m_interrupts(interrupts)
{
}

std::optional<QString> ModulesCommand::folderError() const
{
    struct stat st;
    const QString shown = NodeProcess::printable(pathText(m_options.folder));
    if (::stat(m_options.folder.constData(), &st) != 0)
        return QStringLiteral("%1: no such folder").arg(shown);
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("%1: not a folder").arg(shown);
    return std::nullopt;
}

std::optional<int> ModulesCommand::scan(ScanStore &store)
{
    if (const std::optional<QString> error = folderError()) {
        Terminal::error(*error);
        return ExitStatus::usage;
    }
    store.setRootBytes(FilePaths::standardise(m_options.folder));
    QEventLoop loop;
    const auto showProgress = [&store] {
        if (store.isScanning())
            Terminal::progress(store.progressText().isEmpty() ? store.statusText() : store.progressText());
    };
    QObject::connect(&store, &ScanStore::statusTextChanged, &loop, showProgress);
    QObject::connect(&store, &ScanStore::progressTextChanged, &loop, showProgress);
    QObject::connect(&store, &ScanStore::isScanningChanged, &loop, [&] {
        if (!store.isScanning())
            loop.quit();
    });
    QObject::connect(&m_interrupts, &InterruptWatcher::interrupted, &loop, [&] {
        store.cancel();
        loop.quit();
    });
    store.startScan();
    if (store.isScanning())
        loop.exec();
    Terminal::clearProgress();
    if (m_interrupts.isInterrupted()) {
        Terminal::err(store.statusText() + QLatin1Char('\n'));
        return ExitStatus::interrupted;
    }
    return std::nullopt;
}

QList<NodeModule> ModulesCommand::sorted(const ScanStore &store)
{
    QList<NodeModule> modules = store.modules();
    const ModuleSortOrder order = store.sortOrder();
    std::stable_sort(modules.begin(), modules.end(), [&order](const NodeModule &a, const NodeModule &b) {
        // Records the window's order ties (equal sizes) keep one order from run to run.
        if (sortsBefore(order, a, b) || sortsBefore(order, b, a))
            return sortsBefore(order, a, b);
        return a.modulePath < b.modulePath;
    });
    for (const NodeModule &module : std::as_const(modules))
        m_activity.insert(module.id, ProjectActivity::lastActivity(module.parentPath));
    return modules;
}

QString ModulesCommand::table(const QList<NodeModule> &modules) const
{
    TextTable table(
        {QStringLiteral("SIZE"), QStringLiteral("LAST ACTIVITY"), QStringLiteral("PROJECT"), QStringLiteral("PATH")},
        {TextTable::Align::right});
    for (const NodeModule &module : modules) {
        QString path = pathText(module.modulePath);
        if (module.symlinkTarget)
            path += QStringLiteral(" → ") + pathText(*module.symlinkTarget);
        table.addRow({sizeText(module), DateFormat::string(m_activity.value(module.id)),
                      NodeProcess::printable(module.projectName), NodeProcess::printable(path)},
                     module.isSymlink ? Terminal::Colour::dim : Terminal::Colour::none);
    }
    return table.text();
}

int ModulesCommand::runScan()
{
    ScanStore store;
    if (const std::optional<int> status = scan(store))
        return *status;
    const QList<NodeModule> modules = sorted(store);

    if (m_options.json) {
        QJsonArray records;
        for (const NodeModule &module : modules)
            records.append(QJsonObject{
                {QStringLiteral("path"), pathJson(module.modulePath)},
                {QStringLiteral("project"), module.projectName},
                {QStringLiteral("parent"), pathJson(module.parentPath)},
                {QStringLiteral("group"), module.groupKey},
                {QStringLiteral("sizeBytes"),
                 module.isSizeMeasured() ? QJsonValue(module.sizeBytes) : QJsonValue(QJsonValue::Null)},
                {QStringLiteral("sharedBytes"), module.sharedBytes},
                {QStringLiteral("reclaimableBytes"), module.reclaimableBytes()},
                {QStringLiteral("isSymlink"), module.isSymlink},
                {QStringLiteral("symlinkTarget"),
                 module.symlinkTarget ? pathJson(*module.symlinkTarget) : QJsonValue(QJsonValue::Null)},
                {QStringLiteral("lastActivity"), dateJson(m_activity.value(module.id))},
            });
        const QJsonObject document{{QStringLiteral("root"), pathJson(store.rootBytes())},
                                   {QStringLiteral("status"), store.statusText()},
                                   {QStringLiteral("totalBytes"), store.totalBytes()},
                                   {QStringLiteral("symlinkCount"), store.symlinkCount()},
                                   {QStringLiteral("modules"), records}};
        Terminal::out(QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)));
    } else {
        if (!modules.isEmpty())
            Terminal::out(table(modules) + QLatin1Char('\n'));
        Terminal::out(Terminal::paint(store.statusText(), Terminal::Colour::dim)
                      + QStringLiteral(" %1 reclaimable.\n").arg(ByteFormat::string(store.totalBytes())));
    }
    return modules.isEmpty() ? 1 : 0;
}

int ModulesCommand::runClean()
{
    ScanStore store;
    if (const std::optional<int> status = scan(store))
        return *status;

    const QDateTime now = QDateTime::currentDateTime();
    QList<NodeModule> chosen;
    for (const NodeModule &module : sorted(store)) {
        if (m_options.olderThanDays) {
            // An unknown date is never old enough: nothing is chosen on a guess.
            const QDateTime activity = m_activity.value(module.id);
            if (activity <= DateFormat::distantPast() || activity > now.addDays(-*m_options.olderThanDays))
                continue;
        }
        if (m_options.minSizeBytes && module.reclaimableBytes() < *m_options.minSizeBytes)
            continue;
        chosen.append(module);
    }
    QSet<QByteArray> ids;
    for (const NodeModule &module : std::as_const(chosen))
        ids.insert(module.id);
    const Mode mode = m_options.permanent ? Mode::permanent : Mode::trash;
    const qint64 planned = store.reclaimableBytes(ids);
    const QByteArray root = store.rootBytes();
    QStringList refusals;
    for (const NodeModule &module : std::as_const(chosen)) {
        if (const std::optional<QString> reason = NodeModulesScanner::deletionRefusal(module.modulePath, root))
            refusals.append(NodeProcess::printable(pathText(module.modulePath)) + QStringLiteral(": ") + *reason);
    }

    QJsonArray chosenJson;
    for (const NodeModule &module : std::as_const(chosen))
        chosenJson.append(QJsonObject{{QStringLiteral("path"), pathJson(module.modulePath)},
                                      {QStringLiteral("sharedBytes"), module.sharedBytes},
                                      {QStringLiteral("reclaimableBytes"), module.reclaimableBytes()},
                                      {QStringLiteral("isSymlink"), module.isSymlink},
                                      {QStringLiteral("lastActivity"), dateJson(m_activity.value(module.id))}});
    QJsonObject document{{QStringLiteral("root"), pathJson(store.rootBytes())},
                         {QStringLiteral("mode"), NodeModulesScanner::rawValue(mode)},
                         {QStringLiteral("dryRun"), m_options.dryRun},
                         {QStringLiteral("chosen"), chosenJson},
                         {QStringLiteral("reclaimableBytes"), planned}};

    const QString verb = mode == Mode::trash ? QStringLiteral("move %1 to the Trash (%2 reclaimed once emptied)")
                                             : QStringLiteral("delete %1 permanently (%2 freed)");
    const QString action =
        verb.arg(plural(chosen.size(), QStringLiteral("node_modules folder")), ByteFormat::string(planned));
    if (!m_options.json) {
        if (chosen.isEmpty()) {
            Terminal::out(QStringLiteral("No node_modules folder matches.\n"));
        } else {
            Terminal::out(table(chosen));
            Terminal::out((m_options.dryRun ? QStringLiteral("Would ") : QStringLiteral("About to ")) + action
                          + QStringLiteral(".\n"));
        }
        for (const QString &refusal : std::as_const(refusals))
            Terminal::error(QStringLiteral("refused: ") + refusal);
    }
    if (chosen.isEmpty() || m_options.dryRun) {
        if (m_options.json) {
            document.insert(QStringLiteral("refusals"), textArray(refusals));
            Terminal::out(QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)));
        }
        return chosen.isEmpty() ? 1 : 0;
    }
    if (const auto status = consent(m_options.yes, QStringLiteral("deleting"), QStringLiteral("deleted"), m_interrupts))
        return *status;

    // One folder at a time, so Ctrl-C stops between two folders and never inside one.
    bool announced = false;
    QObject guard;
    QObject::connect(&m_interrupts, &InterruptWatcher::interrupted, &guard, [&announced] {
        if (!announced)
            Terminal::err(QStringLiteral("Stopping after the current folder…\n"));
        announced = true;
    });
    NodeModulesScanner::DeletionResult total;
    // What each folder frees alone, at its turn: a floor for a clean that did not finish.
    qint64 alone = 0;
    qsizetype done = 0;
    for (const NodeModule &module : std::as_const(chosen)) {
        if (m_interrupts.isInterrupted())
            break;
        const QString path = NodeProcess::printable(pathText(module.modulePath));
        Terminal::progress(QStringLiteral("%1/%2 · %3").arg(done + 1).arg(chosen.size()).arg(path));
        const qint64 bytes = store.reclaimableBytes({module.id});
        QFuture<NodeModulesScanner::DeletionResult> future = store.deleteModules({module.id}, mode);
        await(future);
        ++done;
        const NodeModulesScanner::DeletionResult result = future.result();
        if (!result.removedIDs.isEmpty())
            alone += bytes;
        total.removedIDs += result.removedIDs;
        total.errors += result.errors;
        total.refusals += result.refusals;
        total.trashedURLs += result.trashedURLs;
    }
    Terminal::clearProgress();
    // Everything went: the figure the question gave, hard links shared among them counted once.
    const qint64 freed = total.removedIDs.size() == chosen.size() ? planned : alone;

    QJsonArray removed;
    for (const NodeModule &module : std::as_const(chosen)) {
        if (total.removedIDs.contains(module.id))
            removed.append(pathJson(module.modulePath));
    }
    QJsonArray trashed;
    for (const QByteArray &location : std::as_const(total.trashedURLs))
        trashed.append(pathJson(location));
    const qsizetype n = total.removedIDs.size();
    const QString summary = mode == Mode::trash
        ? QStringLiteral("Moved %1 to the Trash (%2 reclaimed once emptied).")
              .arg(plural(n, QStringLiteral("folder")), ByteFormat::string(freed))
        : QStringLiteral("Deleted %1 permanently. Freed %2.")
              .arg(plural(n, QStringLiteral("folder")), ByteFormat::string(freed));
    if (m_options.json) {
        document.insert(QStringLiteral("removed"), removed);
        document.insert(QStringLiteral("trashed"), trashed);
        document.insert(QStringLiteral("freedBytes"), freed);
        document.insert(QStringLiteral("errors"), textArray(total.errors));
        document.insert(QStringLiteral("refusals"), textArray(total.refusals));
        document.insert(QStringLiteral("interrupted"), m_interrupts.isInterrupted());
        Terminal::out(QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)));
    } else {
        Terminal::out(Terminal::paint(summary, Terminal::Colour::green) + QLatin1Char('\n'));
    }
    for (const QString &line : std::as_const(total.refusals))
        Terminal::error(QStringLiteral("refused: ") + line);
    for (const QString &line : std::as_const(total.errors))
        Terminal::error(line);
    if (m_interrupts.isInterrupted()) {
        Terminal::err(QStringLiteral("Interrupted: %1 of %2 not reached.\n")
                          .arg(chosen.size() - done)
                          .arg(plural(chosen.size(), QStringLiteral("folder"))));
        return ExitStatus::interrupted;
    }
    return total.errors.isEmpty() && total.refusals.isEmpty() ? 0 : 1;
}
