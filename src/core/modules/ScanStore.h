#pragma once

#include "core/modules/CancelToken.h"
#include "core/modules/ModuleSortOrder.h"
#include "core/modules/NodeModule.h"
#include "core/modules/NodeModulesScanner.h"

#include <QFuture>
#include <QObject>
#include <QSet>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

// The observable state of the node_modules cleanup, shared by the Disk cleanup and
// Breakdown screens. Lives on the GUI thread and is touched only there; each
// xChanged() signal fires only when x takes a different value. Derived values are
// recomputed on every call. The walk and deletions run on the store's worker pool,
// the measurements on its own pool, at most eight at once, all below the GUI thread's
// priority; measured records are appended one by one as they finish.
class ScanStore : public QObject
{
    Q_OBJECT

public:
    // Both run on worker threads and must honour the token; tests and the screenshot
    // tool pass their own to shape or feed a scan.
    using WalkFunction = std::function<QList<QByteArray>(const QByteArray &root, const CancelToken &token)>;
    using MeasureFunction = std::function<std::optional<NodeModule>(
        const QByteArray &parentPath, const QByteArray &root, const CancelToken &token)>;

    // The real scanner: NodeModulesScanner::findParentDirs and measure.
    explicit ScanStore(QObject *parent = nullptr);
    ScanStore(WalkFunction walk, MeasureFunction measure, QObject *parent = nullptr);
    // Cancels the scan and waits for the running walk, measurements and deletions.
    ~ScanStore() override;

    // The folder to scan, as typed; the core gets it through QFile::encodeName.
    [[nodiscard]] QString rootPath() const { return m_rootPath; }
    void setRootPath(const QString &rootPath);
    [[nodiscard]] bool isScanning() const { return m_isScanning; }
    // Records of the current or last scan, in arrival order.
    [[nodiscard]] const QList<NodeModule> &modules() const { return m_modules; }
    [[nodiscard]] QString statusText() const { return m_statusText; }
    // "{k}/{n} measured · {size}" while measuring, else empty.
    [[nodiscard]] QString progressText() const { return m_progressText; }
    [[nodiscard]] bool groupByFolder() const { return m_groupByFolder; }
    void setGroupByFolder(bool groupByFolder);
    [[nodiscard]] ModuleSortOrder sortOrder() const { return m_sortOrder; }
    void setSortOrder(const ModuleSortOrder &sortOrder);
    [[nodiscard]] QSet<QByteArray> selection() const { return m_selection; }
    void setSelection(const QSet<QByteArray> &selection);

    // Sums reclaimableBytes (links add 0).
    [[nodiscard]] qint64 totalBytes() const;
    [[nodiscard]] int symlinkCount() const;
    // Over the records whose id is in ids; ids that match no record add nothing.
    [[nodiscard]] qint64 reclaimableBytes(const QSet<QByteArray> &ids) const;
    [[nodiscard]] int symlinkCount(const QSet<QByteArray> &ids) const;
    [[nodiscard]] QList<ModuleGroup> groups() const;

    // Starts a scan of rootPath and returns at once; nothing is published before it
    // returns. Does nothing while scanning; when nothing exists at rootPath, only sets
    // the status "Path is not a valid directory.".
    void startScan();
    // Stops the running scan (always acts, scanning or not); that scan's workers never
    // write to the store again, and a new scan may start at once.
    void cancel();
    // Deletes the records with these ids on a worker thread, judged against the
    // rootPath of the moment, then removes what went from modules and selection and
    // sets the status. The future finishes after the store is updated, never before
    // this returns; with no matching record it is finished at once with the empty
    // result and nothing changes. Several deletions may run at once.
    QFuture<NodeModulesScanner::DeletionResult> deleteModules(const QSet<QByteArray> &ids,
                                                              NodeModulesScanner::DeletionMode mode);

signals:
    void rootPathChanged();
    void isScanningChanged();
    // Fires on every change of modules; moduleAppended fires first when the change
    // is one record added at the end, so views can append a row instead of rebuilding.
    void moduleAppended(const NodeModule &module);
    void modulesChanged();
    void statusTextChanged();
    void progressTextChanged();
    void groupByFolderChanged();
    void sortOrderChanged();
    void selectionChanged();

private:
    struct Measuring;

    void setIsScanning(bool isScanning);
    void setModules(const QList<NodeModule> &modules);
    void setStatusText(const QString &statusText);
    void setProgressText(const QString &progressText);

    void walked(const std::shared_ptr<CancelToken> &token, const QByteArray &root, const QList<QByteArray> &folders);
    void enqueueMeasurement(const std::shared_ptr<Measuring> &measuring);
    void measured(const std::shared_ptr<CancelToken> &token, const std::optional<NodeModule> &module);
    void finishScan();
    void showWalkProgress();
    NodeModulesScanner::DeletionResult applyDeletion(const NodeModulesScanner::DeletionResult &result,
                                                     NodeModulesScanner::DeletionMode mode);

    WalkFunction m_walk;
    MeasureFunction m_measure;
    QString m_rootPath;
    bool m_isScanning = false;
    QList<NodeModule> m_modules;
    QString m_statusText;
    QString m_progressText;
    bool m_groupByFolder = false;
    ModuleSortOrder m_sortOrder;
    QSet<QByteArray> m_selection;
    // The token of the current or last scan, and that scan's counts.
    std::shared_ptr<CancelToken> m_token;
    bool m_walking = false;
    QTimer *m_walkProgress = nullptr;
    qsizetype m_folderCount = 0;
    qsizetype m_measuredCount = 0;
    qsizetype m_receivedCount = 0;
    // Last members: destroyed first, so workers end before the store does.
    QThreadPool m_measurePool;
    QThreadPool m_workerPool;
};
