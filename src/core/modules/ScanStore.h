#pragma once

#include "core/modules/ModuleSortOrder.h"
#include "core/modules/NodeModule.h"
#include "core/modules/NodeModulesScanner.h"

#include <QFuture>
#include <QObject>
#include <QSet>
#include <QThreadPool>

#include <memory>

// The observable state of the node_modules cleanup, shared by the Disk cleanup and
// Breakdown screens. Lives on the GUI thread and is touched only there; each
// xChanged() signal fires only when x takes a different value. The walk, the
// measurements (at most eight at once) and deletions run on the store's own pools;
// measured records are appended one by one as they finish.
class ScanStore : public QObject
{
    Q_OBJECT

public:
    explicit ScanStore(QObject *parent = nullptr);
    ~ScanStore() override;

    [[nodiscard]] QString rootPath() const { return m_rootPath; }
    void setRootPath(const QString &rootPath);
    [[nodiscard]] bool isScanning() const { return m_isScanning; }
    [[nodiscard]] const QList<NodeModule> &modules() const { return m_modules; }
    [[nodiscard]] QString statusText() const { return m_statusText; }
    [[nodiscard]] QString progressText() const { return m_progressText; }
    [[nodiscard]] bool groupByFolder() const { return m_groupByFolder; }
    void setGroupByFolder(bool groupByFolder);
    [[nodiscard]] ModuleSortOrder sortOrder() const { return m_sortOrder; }
    void setSortOrder(const ModuleSortOrder &sortOrder);
    [[nodiscard]] QSet<QByteArray> selection() const { return m_selection; }
    void setSelection(const QSet<QByteArray> &selection);

    [[nodiscard]] qint64 totalBytes() const;
    [[nodiscard]] int symlinkCount() const;
    [[nodiscard]] qint64 reclaimableBytes(const QSet<QByteArray> &ids) const;
    [[nodiscard]] int symlinkCount(const QSet<QByteArray> &ids) const;
    [[nodiscard]] QList<ModuleGroup> groups() const;

    // Starts a scan of rootPath and returns at once; does nothing while scanning.
    void startScan();
    // Stops the running scan; its workers never write to the store again.
    void cancel();
    // Deletes the records with these ids on a worker thread, judged against the
    // rootPath of the moment; the future finishes after the store is updated.
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
    QString m_rootPath;
    bool m_isScanning = false;
    QList<NodeModule> m_modules;
    QString m_statusText;
    QString m_progressText;
    bool m_groupByFolder = false;
    ModuleSortOrder m_sortOrder;
    QSet<QByteArray> m_selection;
    std::shared_ptr<CancelToken> m_token;
    // Last members: destroyed first, so workers end before the store does.
    QThreadPool m_measurePool;
    QThreadPool m_workerPool;
};
