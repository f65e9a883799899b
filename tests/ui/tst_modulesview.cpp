#include "core/ByteFormat.h"
#include "core/modules/NodeModulesScanner.h"
#include "core/modules/ScanStore.h"
#include "core/modules/TestTrees.h"
#include "support/MessageBoxButtons.h"
#include "ui/kit/ContentUnavailableView.h"
#include "ui/kit/Dialogs.h"
#include "ui/kit/GlassButtonStyle.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/ProgressSpinner.h"
#include "ui/kit/StatTile.h"
#include "ui/kit/Switch.h"
#include "ui/kit/Theme.h"
#include "ui/modules/FolderReveal.h"
#include "ui/modules/ModuleGroupList.h"
#include "ui/modules/ModuleGroupModel.h"
#include "ui/modules/ModuleTableModel.h"
#include "ui/modules/ModuleTableView.h"
#include "ui/modules/ModulesView.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace TestTrees;
namespace Scanner = NodeModulesScanner;
using Scanner::DeletionMode;
using Ids = QSet<QByteArray>;

namespace {

QByteArray project(const QByteArray &parent, qint64 size)
{
    writeFile(parent + "/node_modules/dep/index.js", size);
    return parent + "/node_modules";
}

// Holds the real scanner's walk and measurements until the test lets them through;
// opened when it goes, so no worker is left waiting.
class Gate
{
public:
    ~Gate() { open(); }
    void open() { m_permits->release(1'000'000); }
    void letThrough(int count = 1) { m_permits->release(count); }
    [[nodiscard]] ScanStore::WalkFunction walk() const
    {
        return [permits = m_permits](const QByteArray &root, const CancelToken &token) {
            permits->acquire();
            return Scanner::findParentDirs(root, token);
        };
    }
    [[nodiscard]] ScanStore::MeasureFunction measure() const
    {
        return [permits = m_permits](const QByteArray &parent, const QByteArray &root, const CancelToken &token) {
            permits->acquire();
            return Scanner::measure(parent, root, token);
        };
    }

private:
    std::shared_ptr<QSemaphore> m_permits = std::make_shared<QSemaphore>();
};

// The real scan store (by default over the real scanner) and the screen over it, shown.
struct Screen
{
    explicit Screen(ScanStore::WalkFunction walk = Scanner::findParentDirs,
                    ScanStore::MeasureFunction measure = Scanner::measure)
        : store(std::move(walk), std::move(measure))
    {
        view.setRevealFunction([this](const QList<QByteArray> &paths) { reveals.append(paths); });
        view.setFolderPicker([this](QWidget *, const QString &start) {
            pickerStarts.append(start);
            return picked;
        });
        view.resize(1000, 700);
        view.show();
        exposed = QTest::qWaitForWindowExposed(&view);
    }

    [[nodiscard]] bool scan(const QByteArray &root)
    {
        store.setRootPath(QFile::decodeName(root));
        store.startScan();
        return QTest::qWaitFor([this] { return !store.isScanning(); }, 20000);
    }
    template <typename T>
    [[nodiscard]] T *find(const QString &name) const
    {
        return view.findChild<T *>(name);
    }
    [[nodiscard]] QString text(const QString &name) const { return find<QLabel>(name)->text(); }
    [[nodiscard]] StatTile *tile(const QString &name) const { return find<StatTile>(name); }
    [[nodiscard]] ModuleTableView *table() const { return find<ModuleTableView>(QStringLiteral("moduleTable")); }
    [[nodiscard]] ModuleTableModel *model() const { return table()->moduleModel(); }
    [[nodiscard]] ModuleGroupList *list() const { return find<ModuleGroupList>(QStringLiteral("moduleGroupList")); }
    [[nodiscard]] QWidget *content() const
    {
        return find<QStackedWidget>(QStringLiteral("moduleContent"))->currentWidget();
    }
    [[nodiscard]] QPushButton *button(const QString &name) const { return find<QPushButton>(name); }
    [[nodiscard]] int row(const QByteArray &id) const { return model()->rowOf(id).value_or(-1); }
    [[nodiscard]] QMessageBox *box() const { return Dialogs::openMessageBoxes(&view).value(0); }

    ScanStore store;
    ModulesView view{store};
    QList<QList<QByteArray>> reveals;
    QStringList pickerStarts;
    QString picked;
    bool exposed = false;
};

QPoint rowCentre(const QAbstractItemView *view, int row)
{
    return view->visualRect(view->model()->index(row, 0)).center();
}

Ids selectedIds(const ModuleTableView *table)
{
    Ids ids;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        ids.insert(index.data(ModuleTableModel::IdRole).toByteArray());
    return ids;
}

Ids selectedIds(const ModuleGroupList *list)
{
    Ids ids;
    for (const QModelIndex &index : list->selectionModel()->selectedIndexes())
        ids.insert(index.data(ModuleGroupModel::IdRole).toByteArray());
    return ids;
}

// Press and release, then the double click, as a mouse sends them.
void doubleClick(QAbstractItemView *view, int row)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rowCentre(view, row));
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rowCentre(view, row));
}

QMenu *contextMenu(QAbstractItemView *view, int row)
{
    const QPoint where = rowCentre(view, row);
    QContextMenuEvent event(QContextMenuEvent::Mouse, where, view->viewport()->mapToGlobal(where));
    QApplication::sendEvent(view->viewport(), &event);
    for (QMenu *menu : view->window()->findChildren<QMenu *>()) {
        if (menu->isVisible())
            return menu;
    }
    return nullptr;
}

} // namespace

class TestModulesView : public QObject
{
    Q_OBJECT

public:
    explicit TestModulesView(const QByteArray &home)
        : m_home(home)
    {
    }

private slots:
    void init()
    {
        m_tree = std::make_unique<Scratch>(QFile::decodeName(m_home));
        QVERIFY(m_tree->isValid());
    }
    void cleanup() { m_tree.reset(); }

    void emptyStateThenAScanFillsTheTable()
    {
        const QByteArray root = m_tree->path("code");
        const QByteArray a = project(root + "/shop", 40'000);
        const QByteArray b = project(root + "/blog", 8'000);
        const QByteArray c = project(root + "/mono/packages/ui", 20'000);

        Gate gate;
        Screen screen(gate.walk(), gate.measure());
        QVERIFY(screen.exposed);
        auto *empty = qobject_cast<ContentUnavailableView *>(screen.content());
        QVERIFY(empty);
        QCOMPARE(empty->title(), QStringLiteral("No node_modules yet"));
        QCOMPARE(empty->description(),
                 QStringLiteral("Secondary tool: choose a folder and press Scan to find node_modules you can reclaim "
                                "space from. Deleting moves them to the Trash."));
        QCOMPARE(screen.tile(QStringLiteral("foldersTile"))->value(), QStringLiteral("0"));
        QCOMPARE(screen.tile(QStringLiteral("reclaimableTile"))->value(), QStringLiteral("0 B"));
        QCOMPARE(screen.tile(QStringLiteral("thirdTile"))->title(), QStringLiteral("Groups"));
        QCOMPARE(screen.text(QStringLiteral("statusText")), QStringLiteral("Choose a folder and press Scan."));
        QVERIFY(screen.button(QStringLiteral("scanButton"))->isVisible());
        QVERIFY(!screen.button(QStringLiteral("cancelScanButton"))->isVisible());
        for (const char *name : {"revealButton", "moveToTrashButton", "deletePermanentlyButton", "allToTrashButton",
                                 "selectAllButton"})
            QVERIFY2(!screen.button(QLatin1String(name))->isEnabled(), name);
        QCOMPARE(screen.button(QStringLiteral("deletePermanentlyButton"))->toolTip(),
                 QStringLiteral("Removes the folders from disk without going through the Trash."));

        // The folder typed into the field, then Return: the walk waits at the gate.
        auto *field = screen.find<QLineEdit>(QStringLiteral("pathField"));
        QCOMPARE(field->placeholderText(), QStringLiteral("Folder to scan"));
        field->selectAll();
        QTest::keyClicks(field, QFile::decodeName(root));
        QCOMPARE(screen.store.rootPath(), QFile::decodeName(root));
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(screen.store.isScanning());
        QCOMPARE(screen.content(), screen.table());
        auto *cancel = screen.button(QStringLiteral("cancelScanButton"));
        QVERIFY(cancel->isVisible());
        QVERIFY(!screen.button(QStringLiteral("scanButton"))->isVisible());
        QCOMPARE(qobject_cast<GlassButtonStyle *>(cancel->style())->fillColor(cancel->palette()), Theme::danger());
        QVERIFY(screen.find<ProgressSpinner>(QStringLiteral("scanSpinner"))->isSpinning());
        QCOMPARE(screen.text(QStringLiteral("progressText")), QStringLiteral("Scanning…"));
        QVERIFY(!screen.find<QLabel>(QStringLiteral("statusText"))->isVisible());

        // Measured one by one: a row and the progress line each.
        QStringList progress;
        connect(&screen.store, &ScanStore::progressTextChanged, this, [&] {
            if (!screen.store.progressText().isEmpty())
                progress << screen.text(QStringLiteral("progressText"));
        });
        gate.letThrough();
        for (int measured = 1; measured <= 3; ++measured) {
            gate.letThrough();
            QTRY_COMPARE(screen.model()->rowCount(), measured);
            QCOMPARE(progress.size(), measured);
            QVERIFY(progress.last().startsWith(QStringLiteral("%1/3 measured · ").arg(measured)));
        }
        QTRY_VERIFY(!screen.store.isScanning());
        QCOMPARE(screen.text(QStringLiteral("statusText")), QStringLiteral("Found 3 node_modules folders."));
        QVERIFY(screen.find<QLabel>(QStringLiteral("statusText"))->isVisible());
        QVERIFY(!screen.find<ProgressSpinner>(QStringLiteral("scanSpinner"))->isVisible());
        QVERIFY(screen.button(QStringLiteral("scanButton"))->isVisible());
        QCOMPARE(screen.tile(QStringLiteral("foldersTile"))->value(), QStringLiteral("3"));
        QCOMPARE(screen.tile(QStringLiteral("reclaimableTile"))->value(), ByteFormat::string(screen.store.totalBytes()));
        QCOMPARE(screen.tile(QStringLiteral("thirdTile"))->value(), QStringLiteral("3"));
        QCOMPARE(screen.tile(QStringLiteral("thirdTile"))->tint(), Tint(Tint::Style::secondary));
        // Largest first, shown on the Size column.
        QCOMPARE(screen.model()->record(0).id, a);
        QCOMPARE(screen.model()->record(2).id, b);
        QCOMPARE(screen.row(c), 1);
        QCOMPARE(screen.table()->horizontalHeader()->sortIndicatorSection(), int(ModuleTableModel::SizeColumn));
        QVERIFY(screen.button(QStringLiteral("selectAllButton"))->isEnabled());

        // A link among the records: the third tile counts links instead of groups.
        makeLink(m_tree->path("elsewhere"), root + "/linked/node_modules");
        makeDirs(m_tree->path("elsewhere"));
        gate.open();
        QVERIFY(screen.scan(root));
        QTRY_COMPARE(screen.tile(QStringLiteral("thirdTile"))->title(), QStringLiteral("Symlinks"));
        QCOMPARE(screen.tile(QStringLiteral("thirdTile"))->value(), QStringLiteral("1"));
        QCOMPARE(screen.tile(QStringLiteral("thirdTile"))->tint(), Tint(Theme::warning()));
        QCOMPARE(screen.tile(QStringLiteral("foldersTile"))->value(), QStringLiteral("4"));

        // Browse only fills the field, starting from the folder in it.
        screen.picked = QFile::decodeName(root + "/shop");
        QTest::mouseClick(screen.button(QStringLiteral("browseButton")), Qt::LeftButton);
        QCOMPARE(screen.pickerStarts, QStringList{QFile::decodeName(root)});
        QCOMPARE(field->text(), screen.picked);
        QCOMPARE(screen.store.rootPath(), screen.picked);
        QVERIFY(!screen.store.isScanning());
        screen.picked.clear();
        QTest::mouseClick(screen.button(QStringLiteral("browseButton")), Qt::LeftButton);
        QCOMPARE(screen.store.rootPath(), QFile::decodeName(root + "/shop"));

        // Ctrl+Return scans the folder in the field (the button's shortcut clicks it shortly).
        screen.view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&screen.view));
        QTest::keyClick(&screen.view, Qt::Key_Return, Qt::ControlModifier);
        QTRY_COMPARE(screen.text(QStringLiteral("statusText")), QStringLiteral("Found 1 node_modules folder."));
        QCOMPARE(screen.model()->rowCount(), 1);
        QCOMPARE(screen.model()->record(0).id, a);
    }

    void sizeTextsOfFoldersAndLinks()
    {
        const QByteArray root = m_tree->path("code");
        const QByteArray real = project(root + "/real", 30'000);
        writeFile(m_tree->path("store/pkg/node_modules/dep/index.js"), 50'000);
        makeLink(m_tree->path("store/pkg/node_modules"), root + "/live/node_modules");
        makeLink(m_tree->path("nowhere"), root + "/broken/node_modules");
        const QByteArray live = root + "/live/node_modules";
        const QByteArray broken = root + "/broken/node_modules";

        Screen screen;
        QVERIFY(screen.scan(root));
        ModuleTableModel *model = screen.model();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model->rowCount(), 3);
        const auto cell = [&](const QByteArray &id, int column, int role = Qt::DisplayRole) {
            return model->index(screen.row(id), column).data(role);
        };
        const NodeModule &liveRecord = model->record(screen.row(live));
        QCOMPARE(cell(real, ModuleTableModel::SizeColumn).toString(), ByteFormat::string(allocatedBelow(real)));
        QCOMPARE(cell(live, ModuleTableModel::SizeColumn).toString(),
                 QStringLiteral("link · ") + ByteFormat::string(liveRecord.sizeBytes));
        QVERIFY(liveRecord.sizeBytes > 0);
        QCOMPARE(cell(broken, ModuleTableModel::SizeColumn).toString(), QStringLiteral("broken link"));
        // Links in the warning colour with their explanation, and sorted as freeing nothing.
        QVERIFY(!cell(real, ModuleTableModel::SizeColumn, Qt::ForegroundRole).isValid());
        QCOMPARE(cell(live, ModuleTableModel::SizeColumn, Qt::ForegroundRole).value<QColor>(), Theme::warning());
        QCOMPARE(cell(broken, ModuleTableModel::SizeColumn, Qt::ForegroundRole).value<QColor>(), Theme::warning());
        QCOMPARE(cell(real, ModuleTableModel::SizeColumn, Qt::ToolTipRole).toString(), QString());
        QCOMPARE(cell(broken, ModuleTableModel::SizeColumn, Qt::ToolTipRole).toString(),
                 QStringLiteral("node_modules is a broken symbolic link. Deleting removes the link only."));
        QCOMPARE(cell(live, ModuleTableModel::SizeColumn, Qt::ToolTipRole).toString(),
                 *liveRecord.symlinkExplanation());
        QCOMPARE(cell(live, ModuleTableModel::SizeColumn, ModuleTableModel::SortRole).toLongLong(), 0);
        QCOMPARE(cell(broken, ModuleTableModel::SizeColumn, ModuleTableModel::SortRole).toLongLong(), 0);
        QCOMPARE(screen.row(real), 0);
        QVERIFY(cell(live, ModuleTableModel::ProjectColumn, Qt::DecorationRole).isValid());
        QVERIFY(!cell(real, ModuleTableModel::ProjectColumn, Qt::DecorationRole).isValid());
        QCOMPARE(cell(real, ModuleTableModel::PathColumn).toString(), QFile::decodeName(root + "/real"));
        QCOMPARE(cell(broken, ModuleTableModel::LastAccessedColumn).toString().size(), 16);

        QStringList titles;
        QList<int> widths;
        for (int column = 0; column < model->columnCount(); ++column) {
            titles << model->headerData(column, Qt::Horizontal).toString();
            widths << screen.table()->horizontalHeader()->sectionSize(column);
        }
        QCOMPARE(titles, (QStringList{"Project", "Path", "Size", "Last Accessed"}));
        QCOMPARE(widths.mid(2), (QList<int>{110, 150}));
        QVERIFY(std::abs(widths.at(0) - widths.at(1)) <= 1);
    }

    void confirmationTexts()
    {
        const QByteArray root = m_tree->path("code");
        const QByteArray real = project(root + "/real", 30'000);
        const QByteArray other = project(root + "/other", 10'000);
        writeFile(m_tree->path("store/pkg/node_modules/dep/index.js"), 50'000);
        makeLink(m_tree->path("store/pkg/node_modules"), root + "/live/node_modules");
        const QByteArray live = root + "/live/node_modules";

        Screen screen;
        QVERIFY(screen.scan(root));
        screen.store.setSelection({real});
        QTest::mouseClick(screen.button(QStringLiteral("moveToTrashButton")), Qt::LeftButton);
        QMessageBox *box = screen.box();
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Move 1 node_modules folder to the Trash?"));
        QCOMPARE(box->informativeText(), QStringLiteral("The folders go to the Trash and can be put back. The space is "
                                                        "reclaimed when you empty the Trash."));
        const QString realSize = ByteFormat::string(allocatedBelow(real));
        QCOMPARE(buttonTextsInOrder(box), (QStringList{QStringLiteral("Move to Trash (") + realSize + ')', "Cancel"}));
        QCOMPARE(screen.view.pending()->ids, Ids{real});

        // Cancel clears it; nothing is touched.
        buttonLabelled(box, QStringLiteral("Cancel"))->click();
        QVERIFY(!screen.view.pending());
        QTRY_VERIFY(!screen.box());
        QVERIFY(exists(real));

        screen.store.setSelection({real, live});
        QTest::mouseClick(screen.button(QStringLiteral("deletePermanentlyButton")), Qt::LeftButton);
        box = screen.box();
        QCOMPARE(box->text(), QStringLiteral("Permanently delete 2 node_modules folders?"));
        QCOMPARE(box->informativeText(),
                 QStringLiteral("This removes the folders from disk immediately. They do not go to the Trash and "
                                "cannot be recovered.\n\n1 of them is a symbolic link: only the link is removed, the "
                                "target keeps its files and its space."));
        QCOMPARE(buttonTextsInOrder(box), (QStringList{QStringLiteral("Delete Permanently (") + realSize + ')', "Cancel"}));

        // What is deleted was fixed when it was asked for, whatever the selection does since.
        screen.store.setSelection({other});
        QCOMPARE(screen.view.pending()->ids, (Ids{real, live}));
        QCOMPARE(screen.view.pending()->mode, DeletionMode::permanent);
        box->reject();
        QTRY_VERIFY(!screen.view.pending());

        // "All to Trash" asks about every record; an empty selection from the context menu
        // asks about none.
        QTest::mouseClick(screen.button(QStringLiteral("allToTrashButton")), Qt::LeftButton);
        QCOMPARE(screen.box()->text(), QStringLiteral("Move 3 node_modules folders to the Trash?"));
        QVERIFY(screen.box()->informativeText().endsWith(
            QStringLiteral("\n\n1 of them is a symbolic link: only the link is removed, the target keeps its files "
                           "and its space.")));
        screen.box()->reject();
        QTRY_VERIFY(!screen.box());
        QCOMPARE(screen.view.confirmTitle(PendingDeletion{{}, DeletionMode::permanent}),
                 QStringLiteral("Permanently delete 0 node_modules folders?"));
        QCOMPARE(screen.view.confirmTitle(std::nullopt), QString());
    }

    void trashingMovesTheFolderAndRemovesItsRow()
    {
        const QByteArray root = m_tree->path("code");
        const QByteArray gone = project(root + "/gone", 30'000);
        const QByteArray kept = project(root + "/kept", 10'000);
        const QList<QByteArray> before = fingerprint(gone);

        Screen screen;
        QAbstractItemModelTester tester(screen.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(screen.scan(root));
        const qint64 size = allocatedBelow(gone);
        screen.store.setSelection({gone, kept});
        screen.store.setSelection({gone});
        QTest::mouseClick(screen.button(QStringLiteral("moveToTrashButton")), Qt::LeftButton);
        QMessageBox *box = screen.box();
        QVERIFY(box);

        // The box is gone before the deletion starts.
        bool boxOpenWhenDeleting = false;
        connect(&screen.store, &ScanStore::modulesChanged, this,
                [&] { boxOpenWhenDeleting = boxOpenWhenDeleting || screen.box(); });
        buttonLabelled(box, QStringLiteral("Move to Trash (") + ByteFormat::string(size) + ')')->click();
        QVERIFY(!screen.view.pending());
        QTRY_COMPARE(screen.model()->rowCount(), 1);
        QVERIFY(!boxOpenWhenDeleting);
        QCOMPARE(screen.model()->record(0).id, kept);
        QVERIFY(!exists(gone));
        QVERIFY(exists(kept));
        const QByteArray trashed = m_home + "/data/Trash/files/node_modules";
        QCOMPARE(fingerprint(trashed), before);
        QVERIFY(exists(m_home + "/data/Trash/info/node_modules.trashinfo"));
        QCOMPARE(screen.text(QStringLiteral("statusText")),
                 QStringLiteral("Moved 1 to the Trash (") + ByteFormat::string(size)
                     + QStringLiteral(" reclaimed once emptied). 1 folder remaining."));
        QTRY_COMPARE(screen.tile(QStringLiteral("foldersTile"))->value(), QStringLiteral("1"));
        QVERIFY(!screen.view.errorMessage());
        QVERIFY(!screen.button(QStringLiteral("moveToTrashButton"))->isEnabled());
    }

    void aRefusalShowsTheAlert()
    {
        const QByteArray root = m_tree->path("code");
        const QByteArray module = project(root + "/app", 10'000);
        Screen screen;
        QVERIFY(screen.scan(root));
        // The field now names another folder: the record lies outside it.
        screen.store.setRootPath(QFile::decodeName(m_tree->path("other")));
        screen.store.setSelection({module});
        QTest::mouseClick(screen.button(QStringLiteral("deletePermanentlyButton")), Qt::LeftButton);
        buttonLabelled(screen.box(), QStringLiteral("Delete Permanently (") + ByteFormat::string(allocatedBelow(module))
                                         + ')')
            ->click();

        QTRY_VERIFY(screen.view.errorMessage());
        const QString lines = QStringLiteral("Refused for safety:\n") + QFile::decodeName(module)
                              + QStringLiteral(": outside the scanned folder");
        QCOMPARE(*screen.view.errorMessage(), lines);
        QTRY_VERIFY(screen.box());
        QMessageBox *alert = screen.box();
        QCOMPARE(alert->text(), QStringLiteral("Some deletions did not happen"));
        QCOMPARE(alert->informativeText(), lines);
        QCOMPARE(buttonTextsInOrder(alert), QStringList{QStringLiteral("OK")});
        QVERIFY(exists(module));
        QCOMPARE(screen.model()->rowCount(), 1);
        QCOMPARE(screen.store.selection(), Ids{module});
        buttonLabelled(alert, QStringLiteral("OK"))->click();
        QVERIFY(!screen.view.errorMessage());
        QTRY_VERIFY(!screen.box());
    }

    void groupedListSelectsTheSameIdsAsTheTable()
    {
        const QByteArray root = m_tree->path("code");
        const QByteArray web = project(root + "/mono/web", 40'000);
        const QByteArray docs = project(root + "/mono/docs", 8'000);
        const QByteArray solo = project(root + "/solo", 20'000);

        Screen screen;
        QVERIFY(screen.scan(root));
        ModuleGroupList *list = screen.list();
        QAbstractItemModelTester tester(list->groupModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTest::mouseClick(screen.find<Switch>(QStringLiteral("groupByFolderSwitch")), Qt::LeftButton);
        QVERIFY(screen.store.groupByFolder());
        QCOMPARE(screen.content(), list);

        // Sections by total, records by size: mono (web, docs), then solo.
        ModuleGroupModel *groups = list->groupModel();
        QTRY_COMPARE(groups->rowCount(), 5);
        QVERIFY(groups->isHeader(0));
        QCOMPARE(groups->group(0).key, QStringLiteral("mono"));
        QCOMPARE(groups->module(1).id, web);
        QCOMPARE(groups->module(2).id, docs);
        QVERIFY(groups->isHeader(3));
        QCOMPARE(groups->module(4).id, solo);
        QVERIFY(!(groups->flags(groups->index(0)) & Qt::ItemIsSelectable));

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 2));
        QCOMPARE(screen.store.selection(), Ids{docs});
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(list, 4));
        QCOMPARE(screen.store.selection(), (Ids{docs, solo}));
        QCOMPARE(selectedIds(list), (Ids{docs, solo}));
        // A range across a section takes its records, not its header.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowCentre(list, 4));
        QCOMPARE(screen.store.selection(), (Ids{web, docs, solo}));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 2));

        // A double click selects and reveals nothing; the context menu acts on the selection.
        QSignalSpy doubleClicks(list, &QAbstractItemView::doubleClicked);
        doubleClick(list, 4);
        QCOMPARE(doubleClicks.size(), 1);
        QCOMPARE(screen.store.selection(), Ids{solo});
        QVERIFY(screen.reveals.isEmpty());
        QMenu *menu = contextMenu(list, 4);
        QVERIFY(menu);
        QStringList items;
        for (const QAction *action : menu->actions())
            items << action->text();
        QCOMPARE(items, (QStringList{"Open Containing Folder", "Move to Trash", "Delete Permanently"}));
        menu->actions().at(0)->trigger();
        QCOMPARE(screen.reveals, (QList<QList<QByteArray>>{{solo}}));
        menu->close();

        // The same ids in the table.
        QTest::mouseClick(screen.find<Switch>(QStringLiteral("groupByFolderSwitch")), Qt::LeftButton);
        QCOMPARE(screen.content(), screen.table());
        QCOMPARE(selectedIds(screen.table()), Ids{solo});
        QTest::mouseClick(screen.table()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          rowCentre(screen.table(), screen.row(web)));
        QCOMPARE(screen.store.selection(), (Ids{web, solo}));
        screen.store.setGroupByFolder(true);
        QTRY_COMPARE(selectedIds(list), (Ids{web, solo}));

        // "Select All" reaches both.
        QTest::mouseClick(screen.button(QStringLiteral("selectAllButton")), Qt::LeftButton);
        QCOMPARE(selectedIds(list), (Ids{web, docs, solo}));
        screen.store.setGroupByFolder(false);
        QCOMPARE(selectedIds(screen.table()), (Ids{web, docs, solo}));
    }

    void tableSortsRevealsAndOffersTheMenu()
    {
        const QByteArray root = m_tree->path("code");
        const QByteArray upper = project(root + "/Zeta", 8'000);
        const QByteArray lower = project(root + "/alpha", 20'000);
        const QByteArray accented = project(root + "/Émile", 12'000);

        Screen screen;
        QVERIFY(screen.scan(root));
        ModuleTableView *table = screen.table();
        const auto order = [&] {
            QList<QByteArray> ids;
            for (int row = 0; row < screen.model()->rowCount(); ++row)
                ids << screen.model()->record(row).id;
            return ids;
        };
        QCOMPARE(order(), (QList<QByteArray>{lower, accented, upper}));

        // A header click puts its column first; again reverses it. Text in code-point order.
        QHeaderView *header = table->horizontalHeader();
        const QPoint project(header->sectionViewportPosition(0) + 20, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, project);
        QCOMPARE(screen.store.sortOrder().first(),
                 (ModuleComparator{ModuleComparator::Key::projectName, Qt::AscendingOrder}));
        QCOMPARE(order(), (QList<QByteArray>{upper, lower, accented}));
        QCOMPARE(header->sortIndicatorSection(), int(ModuleTableModel::ProjectColumn));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, project);
        QCOMPARE(order(), (QList<QByteArray>{accented, lower, upper}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);

        // A right click on a row that is not selected selects it; the menu acts on the selection.
        screen.store.setSelection({lower});
        QTest::mousePress(table->viewport(), Qt::RightButton, {}, rowCentre(table, screen.row(upper)));
        QCOMPARE(screen.store.selection(), Ids{upper});
        QMenu *menu = contextMenu(table, screen.row(upper));
        QVERIFY(menu);
        menu->actions().at(2)->trigger();
        menu->close();
        QCOMPARE(screen.view.pending()->ids, Ids{upper});
        QCOMPARE(screen.view.pending()->mode, DeletionMode::permanent);
        screen.box()->reject();
        QTRY_VERIFY(!screen.box());

        // A double click reveals the selection it makes; the button every selected folder, in
        // the store's order.
        doubleClick(table, screen.row(lower));
        QCOMPARE(screen.reveals, (QList<QList<QByteArray>>{{lower}}));
        screen.store.setSelection({lower, upper, accented});
        QTest::mouseClick(screen.button(QStringLiteral("revealButton")), Qt::LeftButton);
        QList<QByteArray> expected;
        for (const NodeModule &module : screen.store.modules()) {
            if (screen.store.selection().contains(module.id))
                expected << module.modulePath;
        }
        QCOMPARE(screen.reveals.last(), expected);
        QCOMPARE(FolderReveal::fileUri("/a b/\xc3\x89/\xff"), QStringLiteral("file:///a%20b/%C3%89/%FF"));
    }

    void streamedRecordsAreInsertedInOrder()
    {
        // Many records in completion order, against a reference sort of the store's list.
        const QByteArray root = m_tree->path("code");
        for (int index = 0; index < 40; ++index)
            project(root + "/p" + QByteArray::number(index), 4096 * ((index * 7) % 11));
        Screen screen;
        QAbstractItemModelTester tester(screen.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        int inserts = 0;
        int resets = 0;
        connect(screen.model(), &QAbstractItemModel::rowsInserted, this, [&] { ++inserts; });
        connect(screen.model(), &QAbstractItemModel::modelReset, this, [&] { ++resets; });
        QVERIFY(screen.scan(root));
        QCOMPARE(inserts, 40);
        QCOMPARE(resets, 0);
        QList<NodeModule> reference = screen.store.modules();
        const ModuleSortOrder sortOrder = screen.store.sortOrder();
        std::stable_sort(reference.begin(), reference.end(),
                         [&](const NodeModule &a, const NodeModule &b) { return sortsBefore(sortOrder, a, b); });
        for (int row = 0; row < reference.size(); ++row)
            QCOMPARE(screen.model()->record(row).id, reference.at(row).id);
    }

private:
    QByteArray m_home;
    std::unique_ptr<Scratch> m_tree;
};

int main(int argc, char *argv[])
{
    // The Trash goes under a home of the test's own, set before anything reads it.
    Scratch home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", home.path());
    qputenv("XDG_DATA_HOME", home.path("data"));
    QApplication application(argc, argv);
    TestModulesView test(home.path());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_modulesview.moc"
