#include "core/ByteFormat.h"
#include "core/modules/NodeModulesScanner.h"
#include "core/modules/ScanStore.h"
#include "support/MessageBoxButtons.h"
#include "support/TestTrees.h"
#include "ui/kit/ContentUnavailableView.h"
#include "ui/kit/Dialogs.h"
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
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

using namespace TestTrees;
namespace Scanner = NodeModulesScanner;
using Scanner::DeletionMode;
using Ids = QSet<QByteArray>;
using Model = ModuleTableModel;
constexpr auto Fail = QAbstractItemModelTester::FailureReportingMode::QtTest;

namespace {

QByteArray project(const QByteArray &parent, qint64 size)
{
    writeFile(parent + "/node_modules/dep/index.js", size);
    return parent + "/node_modules";
}

// The real scanner, the store over it and the screen, shown. Gated, the walk and each
// measurement wait for a permit; opened when the screen goes, so no worker is left waiting.
struct Screen
{
    explicit Screen(bool gated = false)
        : store(
            [gate = gate](const QByteArray &root, const CancelToken &token) {
                gate->acquire();
                return Scanner::findParentDirs(root, token);
            },
            [gate = gate](const QByteArray &parent, const QByteArray &root, const CancelToken &token) {
                gate->acquire();
                return Scanner::measure(parent, root, token);
            })
    {
        if (!gated)
            open();
        view.setRevealFunction([this](const QList<QByteArray> &paths) { reveals.append(paths); });
        view.setFolderPicker([this](QWidget *, const QString &start) {
            pickerStarts.append(start);
            return picked;
        });
        view.resize(1000, 700);
        view.show();
        exposed = QTest::qWaitForWindowExposed(&view);
    }
    ~Screen() { open(); }
    void open() const { gate->release(1'000'000); }

    [[nodiscard]] bool scan(const QByteArray &root)
    {
        store.setRootPath(QFile::decodeName(root));
        store.startScan();
        return QTest::qWaitFor([this] { return !store.isScanning(); }, 20000);
    }
    template <typename T = QWidget>
    [[nodiscard]] T *find(const char *name) const
    {
        return view.findChild<T *>(QLatin1String(name));
    }
    [[nodiscard]] QString text(const char *name) const { return find<QLabel>(name)->text(); }
    [[nodiscard]] StatTile *tile(const char *name) const { return find<StatTile>(name); }
    // The folders and reclaimable values, the third tile's title and value.
    [[nodiscard]] QStringList tiles() const
    {
        return {tile("foldersTile")->value(), tile("reclaimableTile")->value(), tile("thirdTile")->title(),
                tile("thirdTile")->value()};
    }
    [[nodiscard]] QPushButton *button(const char *name) const { return find<QPushButton>(name); }
    void click(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    void flipGrouping() const { QTest::mouseClick(find<Switch>("groupByFolderSwitch"), Qt::LeftButton); }
    [[nodiscard]] ModuleTableView *table() const { return find<ModuleTableView>("moduleTable"); }
    [[nodiscard]] Model *model() const { return qobject_cast<Model *>(table()->model()); }
    [[nodiscard]] QWidget *content() const { return find<QStackedWidget>("moduleContent")->currentWidget(); }
    [[nodiscard]] int row(const QByteArray &id) const { return model()->rowOf(id).value_or(-1); }
    [[nodiscard]] QMessageBox *box() const { return Dialogs::openMessageBoxes(&view).value(0); }
    [[nodiscard]] QList<QByteArray> order() const
    {
        QList<QByteArray> ids;
        for (int row = 0; row < model()->rowCount(); ++row)
            ids << model()->record(row).id;
        return ids;
    }

    std::shared_ptr<QSemaphore> gate = std::make_shared<QSemaphore>();
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

// The ids selected in the table or the grouped list.
Ids selectedIds(const QAbstractItemView *view)
{
    Ids ids;
    for (const QModelIndex &index : view->selectionModel()->selectedIndexes())
        ids.insert(index.data(KeyedListModelBase::IdRole).toByteArray());
    return ids;
}

// A message box's text, informative text and buttons from left to right; nothing without a box.
QStringList dialog(const QMessageBox *box)
{
    return box ? QStringList{box->text(), box->informativeText()} + buttonTextsInOrder(box) : QStringList();
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
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

} // namespace

class TestModulesView : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_tree = std::make_unique<Scratch>(QFile::decodeName(m_home));
        QVERIFY(m_tree->isValid());
    }
    void cleanup() { m_tree.reset(); }

    void emptyStateBeforeAnyScan()
    {
        Screen screen;
        QVERIFY(screen.exposed);
        auto *empty = qobject_cast<ContentUnavailableView *>(screen.content());
        QVERIFY(empty);
        QCOMPARE((QStringList{empty->title(), empty->description()}),
                 (QStringList{"No node_modules yet",
                              "Secondary tool: choose a folder and press Scan to find node_modules "
                              "you can reclaim space from. Deleting moves them to the Trash."}));
        QCOMPARE(screen.tiles(), (QStringList{"0", "0 B", "Groups", "0"}));
        QCOMPARE(screen.text("statusText"), QStringLiteral("Choose a folder and press Scan."));
        QVERIFY(screen.button("scanButton")->isVisible() && !screen.button("cancelScanButton")->isVisible());
        for (const char *name :
             {"revealButton", "moveToTrashButton", "deletePermanentlyButton", "allToTrashButton", "selectAllButton"})
            QVERIFY2(!screen.button(name)->isEnabled(), name);
        QCOMPARE(screen.button("deletePermanentlyButton")->toolTip(),
                 QStringLiteral("Removes the folders from disk without going through the Trash."));
        QCOMPARE(screen.find<QLineEdit>("pathField")->placeholderText(), QStringLiteral("Folder to scan"));
    }

    // The folder typed into the field, then Return; each record measured is a row and a
    // step of the progress line.
    void aScanFromTheFieldFillsTheTableRowByRow()
    {
        const QByteArray root = m_tree->path("code");
        const QByteArray a = project(root + "/shop", 40'000);
        const QByteArray b = project(root + "/blog", 8'000);
        const QByteArray c = project(root + "/mono/packages/ui", 20'000);
        Screen screen(true);
        auto *field = screen.find<QLineEdit>("pathField");
        field->selectAll();
        QTest::keyClicks(field, QFile::decodeName(root));
        QCOMPARE(screen.store.rootPath(), QFile::decodeName(root));
        QTest::keyClick(field, Qt::Key_Return);
        // The walk waits at the gate.
        QVERIFY(screen.store.isScanning());
        QCOMPARE(screen.content(), screen.table());
        QVERIFY(screen.button("cancelScanButton")->isVisible() && !screen.button("scanButton")->isVisible());
        QVERIFY(screen.find<ProgressSpinner>("scanSpinner")->isSpinning());
        QCOMPARE(screen.text("progressText"), QStringLiteral("Scanning…"));
        QVERIFY(!screen.find("statusText")->isVisible());

        QStringList progress;
        connect(&screen.store, &ScanStore::progressTextChanged, this, [&] {
            if (!screen.store.progressText().isEmpty())
                progress << screen.text("progressText");
        });
        screen.gate->release();
        for (int measured = 1; measured <= 3; ++measured) {
            screen.gate->release();
            QTRY_COMPARE(screen.model()->rowCount(), measured);
            QCOMPARE(progress.size(), measured);
            QVERIFY(progress.last().startsWith(QStringLiteral("%1/3 measured · ").arg(measured)));
        }
        QTRY_VERIFY(!screen.store.isScanning());
        QCOMPARE(screen.text("statusText"), QStringLiteral("Found 3 node_modules folders."));
        QVERIFY(screen.find("statusText")->isVisible() && !screen.find("scanSpinner")->isVisible());
        QVERIFY(screen.button("scanButton")->isVisible() && screen.button("selectAllButton")->isEnabled());
        QCOMPARE(screen.tiles(), (QStringList{"3", ByteFormat::string(screen.store.totalBytes()), "Groups", "3"}));
        // Largest first, shown on the Size column.
        QCOMPARE(screen.order(), (QList<QByteArray>{a, c, b}));
        QCOMPARE(screen.table()->horizontalHeader()->sortIndicatorSection(), int(Model::SizeColumn));
    }

    void theThirdTileCountsLinksWhenThereAreAny()
    {
        const QByteArray root = m_tree->path("code");
        project(root + "/shop", 40'000);
        makeDirs(m_tree->path("elsewhere"));
        makeLink(m_tree->path("elsewhere"), root + "/linked/node_modules");
        Screen screen;
        QVERIFY(screen.scan(root));
        QTRY_COMPARE(screen.tiles(),
                     (QStringList{"2", ByteFormat::string(screen.store.totalBytes()), "Symlinks", "1"}));
        QCOMPARE(screen.tile("thirdTile")->tint(), Tint(Theme::warning()));
    }

    // Browse only fills the field, starting from the folder in it; a cancelled pick changes nothing.
    void browseOnlyFillsTheField()
    {
        const QByteArray root = m_tree->path("code");
        makeDirs(root + "/shop");
        Screen screen;
        screen.store.setRootPath(QFile::decodeName(root));
        screen.picked = QFile::decodeName(root + "/shop");
        screen.click("browseButton");
        QCOMPARE(screen.pickerStarts, QStringList{QFile::decodeName(root)});
        QCOMPARE((QStringList{screen.find<QLineEdit>("pathField")->text(), screen.store.rootPath()}),
                 QStringList(2, screen.picked));
        QVERIFY(!screen.store.isScanning());
        screen.picked.clear();
        screen.click("browseButton");
        QCOMPARE(screen.store.rootPath(), QFile::decodeName(root + "/shop"));
    }

    void shortcutsScanTheFolderInTheField_data()
    {
        QTest::addColumn<QKeyCombination>("keys");
        QTest::newRow("Ctrl+Return, the Scan button's") << QKeyCombination(Qt::ControlModifier, Qt::Key_Return);
        QTest::newRow("F5, the desktop's refresh key") << QKeyCombination(Qt::Key_F5);
    }

    void shortcutsScanTheFolderInTheField()
    {
        QFETCH(QKeyCombination, keys);
        const QByteArray root = m_tree->path("code");
        const QByteArray a = project(root + "/shop", 40'000);
        project(root + "/blog", 8'000);
        Screen screen;
        screen.store.setRootPath(QFile::decodeName(root + "/shop"));
        screen.view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&screen.view));
        QTest::keyClick(&screen.view, keys.key(), keys.keyboardModifiers());
        QTRY_COMPARE(screen.text("statusText"), QStringLiteral("Found 1 node_modules folder."));
        QCOMPARE(screen.order(), QList<QByteArray>{a});
    }

    // A folder of files hard-linked from elsewhere says how much of it is shared, tells
    // in the tooltip what deleting it frees, and sorts by that.
    void sharedSizeCell()
    {
        const QByteArray root = m_tree->path("code");
        const QByteArray store = m_tree->path("pnpm-store/big.js");
        writeFile(store, 200'000);
        makeHardLink(store, root + "/app/node_modules/big.js");
        Screen screen;
        QVERIFY(screen.scan(root));
        const qint64 size = screen.model()->record(0).sizeBytes, shared = allocated(store);
        const QModelIndex cell = screen.model()->index(0, Model::SizeColumn);
        QCOMPARE(cell.data().toString(),
                 ByteFormat::string(size) + QStringLiteral(" · ") + ByteFormat::string(shared)
                     + QStringLiteral(" shared"));
        QCOMPARE(
            cell.data(Qt::ToolTipRole).toString(),
            QStringLiteral("Files here are hard links also used elsewhere (for example pnpm's store); deleting this "
                           "folder frees only ")
                + ByteFormat::string(size - shared) + QStringLiteral("."));
        QCOMPARE(cell.data(Model::SortRole).toLongLong(), size - shared);
    }

    // Link records in the warning colour with their explanation, sorted as freeing nothing.
    void linkCellsSayWhatDeletingThemFrees()
    {
        const Records records = linkTree();
        Screen screen;
        QVERIFY(screen.scan(records.root));
        Model *model = screen.model();
        QAbstractItemModelTester tester(model, Fail);
        QCOMPARE(model->rowCount(), 5);
        // A Size cell's text, colour, tooltip and sort value; whether the Project cell has the link symbol.
        const auto cells = [&](const QByteArray &id) {
            const auto data = [&](int column, int role) { return model->index(screen.row(id), column).data(role); };
            return QVariantList{data(Model::SizeColumn, Qt::DisplayRole), data(Model::SizeColumn, Qt::ForegroundRole),
                                data(Model::SizeColumn, Qt::ToolTipRole), data(Model::SizeColumn, Model::SortRole),
                                data(Model::ProjectColumn, Qt::DecorationRole).isValid()};
        };
        const auto explanation = [&](const QByteArray &link) {
            return *model->record(screen.row(link)).symlinkExplanation();
        };
        const qint64 liveBytes = model->record(screen.row(records.live)).sizeBytes;
        QVERIFY(liveBytes > 0);
        const QString realSize = ByteFormat::string(allocatedBelow(records.real));
        QCOMPARE(cells(records.real),
                 (QVariantList{realSize, QVariant(), QString(), allocatedBelow(records.real), false}));
        QCOMPARE(cells(records.live),
                 (QVariantList{QStringLiteral("link · ") + ByteFormat::string(liveBytes), Theme::warning(),
                               explanation(records.live), qint64(0), true}));
        QCOMPARE(cells(records.broken),
                 (QVariantList{"broken link", Theme::warning(), explanation(records.broken), qint64(0), true}));
        QCOMPARE(
            cells(records.home),
            (QVariantList{"link · size not measured", Theme::warning(), explanation(records.home), qint64(0), true}));
        QCOMPARE(screen.row(records.real), 0);
        QCOMPARE(model->index(0, Model::PathColumn).data().toString(), QFile::decodeName(records.root + "/real"));
        QStringList titles;
        for (int column = 0; column < model->columnCount(); ++column)
            titles << model->headerData(column, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList{"Project", "Path", "Size", "Last Accessed"}));
    }

    void aCancelledDeletionTouchesNothing()
    {
        const Records records = linkTree();
        Screen screen;
        QVERIFY(screen.scan(records.root));
        screen.store.setSelection({records.real});
        screen.click("moveToTrashButton");
        QCOMPARE(dialog(screen.box()),
                 (QStringList{"Move 1 node_modules folder to the Trash?",
                              "The folders go to the Trash and can be put back. The space is "
                              "reclaimed when you empty the Trash.",
                              QStringLiteral("Move to Trash (") + records.realSize() + ')', "Cancel"}));
        QCOMPARE(screen.view.pending()->ids, Ids{records.real});
        buttonLabelled(screen.box(), QStringLiteral("Cancel"))->click();
        QVERIFY(!screen.view.pending());
        QTRY_VERIFY(!screen.box());
        QVERIFY(exists(records.real));
    }

    // What is deleted was fixed when it was asked for, whatever the selection does since.
    void aDeletionActsOnWhatWasAskedFor()
    {
        const Records records = linkTree();
        Screen screen;
        QVERIFY(screen.scan(records.root));
        screen.store.setSelection({records.real, records.live});
        screen.click("deletePermanentlyButton");
        QCOMPARE(
            dialog(screen.box()),
            (QStringList{"Permanently delete 2 node_modules folders?",
                         "This removes the folders from disk immediately. They do not go to the Trash and cannot be "
                         "recovered.\n\n1 of them is a symbolic link: only the link is removed, the target keeps "
                         "its files and its space.",
                         QStringLiteral("Delete Permanently (") + records.realSize() + ')', "Cancel"}));
        screen.store.setSelection({records.other});
        QCOMPARE(screen.view.pending()->ids, (Ids{records.real, records.live}));
        QCOMPARE(screen.view.pending()->mode, DeletionMode::permanent);
        screen.box()->reject();
        QTRY_VERIFY(!screen.view.pending());
    }

    // "All to Trash" asks about every record; an empty selection from the context menu asks about none.
    void allToTrashAsksAboutEveryRecord()
    {
        const Records records = linkTree();
        Screen screen;
        QVERIFY(screen.scan(records.root));
        screen.click("allToTrashButton");
        QCOMPARE(screen.box()->text(), QStringLiteral("Move 5 node_modules folders to the Trash?"));
        QVERIFY(screen.box()->informativeText().endsWith(QStringLiteral(
            "\n\n3 of them are symbolic links: only the link is removed, the target keeps its files and its space.")));
        screen.box()->reject();
        QTRY_VERIFY(!screen.box());
        QCOMPARE(screen.view.confirmTitle(PendingDeletion{{}, DeletionMode::permanent}),
                 QStringLiteral("Permanently delete 0 node_modules folders?"));
    }

    // Confirmed, the folder goes to the Trash whole and its row goes; the box is gone
    // before the deletion starts.
    void aConfirmedDeletionMovesTheFolderToTheTrash()
    {
        const Records records = linkTree();
        Screen screen;
        QVERIFY(screen.scan(records.root));
        const qint64 size = allocatedBelow(records.real);
        screen.store.setSelection({records.real});
        screen.click("moveToTrashButton");
        bool boxOpenWhenDeleting = false;
        connect(&screen.store, &ScanStore::modulesChanged, this,
                [&] { boxOpenWhenDeleting = boxOpenWhenDeleting || screen.box(); });
        buttonLabelled(screen.box(), QStringLiteral("Move to Trash (") + ByteFormat::string(size) + ')')->click();
        QVERIFY(!screen.view.pending());
        QTRY_COMPARE(screen.model()->rowCount(), 4);
        QVERIFY(!boxOpenWhenDeleting);
        QCOMPARE(screen.row(records.real), -1);
        QVERIFY(!exists(records.real) && exists(records.other));
        QVERIFY(exists(m_home + "/data/Trash/info/node_modules.trashinfo"));
        QCOMPARE(screen.text("statusText"), screen.store.statusText());
        QVERIFY(
            screen.text("statusText").startsWith(QStringLiteral("Moved 1 to the Trash (") + ByteFormat::string(size)));
        QTRY_COMPARE(screen.tile("foldersTile")->value(), QStringLiteral("4"));
        QVERIFY(!screen.button("moveToTrashButton")->isEnabled());
    }

    // The field now names another folder: the record lies outside it, and is refused.
    void aRefusedDeletionShowsTheAlert()
    {
        const Records records = linkTree();
        Screen screen;
        QVERIFY(screen.scan(records.root));
        const QByteArray other = records.other;
        screen.store.setRootPath(QFile::decodeName(m_tree->path("elsewhere")));
        screen.store.setSelection({other});
        screen.click("deletePermanentlyButton");
        buttonLabelled(screen.box(),
                       QStringLiteral("Delete Permanently (") + ByteFormat::string(allocatedBelow(other)) + ')')
            ->click();
        QTRY_VERIFY(screen.view.errorMessage());
        const QString lines = QStringLiteral("Refused for safety:\n") + QFile::decodeName(other)
            + QStringLiteral(": outside the scanned folder");
        QCOMPARE(*screen.view.errorMessage(), lines);
        QTRY_COMPARE(dialog(screen.box()), (QStringList{"Some deletions did not happen", lines, "OK"}));
        QVERIFY(exists(other));
        QCOMPARE(screen.model()->rowCount(), 5);
        QCOMPARE(screen.store.selection(), Ids{other});
        buttonLabelled(screen.box(), QStringLiteral("OK"))->click();
        QVERIFY(!screen.view.errorMessage());
        QTRY_VERIFY(!screen.box());
    }

    // A row being deleted is greyed and cannot be chosen again; the status counts through the deletion.
    void rowsBeingDeletedCannotBeChosen()
    {
        const QByteArray root = m_tree->path("code");
        const QByteArray going = project(root + "/going", 10'000);
        const QByteArray staying = project(root + "/staying", 10'000);
        Screen screen;
        QVERIFY(screen.scan(root));
        screen.store.setSelection({going});
        const QFuture<Scanner::DeletionResult> deletion = screen.store.deleteModules({going}, DeletionMode::permanent);
        const QModelIndex row = screen.model()->index(screen.row(going), Model::ProjectColumn);
        QCOMPARE(screen.model()->flags(row) & (Qt::ItemIsEnabled | Qt::ItemIsSelectable), Qt::ItemFlags());
        QCOMPARE(screen.text("statusText"), QStringLiteral("Deleting 1 of 1…"));
        QVERIFY(!screen.button("moveToTrashButton")->isEnabled());
        screen.click("selectAllButton");
        QCOMPARE(screen.store.selection(), Ids{staying});
        QCOMPARE(selectedIds(screen.table()), Ids{staying});
        QTRY_VERIFY(deletion.isFinished());
        QCOMPARE(screen.order(), QList<QByteArray>{staying});
    }

    // Sections by total, records by size: mono (alpha, Zeta), then Émile; headers cannot be chosen.
    void groupedListShowsSectionsByTotal()
    {
        const Projects projects = threeProjects();
        Screen screen;
        QVERIFY(screen.scan(projects.root));
        ModuleGroupModel *groups = showGroups(screen)->groupModel();
        QAbstractItemModelTester tester(groups, Fail);
        QVERIFY(groups->isHeader(0) && groups->isHeader(3));
        QCOMPARE(groups->record(0).groupKey, QStringLiteral("mono"));
        QCOMPARE((QList<QByteArray>{groups->module(1).id, groups->module(2).id, groups->module(4).id}),
                 (QList<QByteArray>{projects.lower, projects.upper, projects.accented}));
        QVERIFY(!(groups->flags(groups->index(0, 0)) & Qt::ItemIsSelectable));
    }

    void groupedListSelectsRecordsNeverHeaders()
    {
        const Projects projects = threeProjects();
        Screen screen;
        QVERIFY(screen.scan(projects.root));
        ModuleGroupList *list = showGroups(screen);
        const auto clickRow = [list](int row, Qt::KeyboardModifiers keys = {}) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, rowCentre(list, row));
        };
        clickRow(2);
        QCOMPARE(screen.store.selection(), Ids{projects.upper});
        clickRow(4, Qt::ControlModifier);
        QCOMPARE(screen.store.selection(), (Ids{projects.upper, projects.accented}));
        QCOMPARE(selectedIds(list), (Ids{projects.upper, projects.accented}));
        // A range across a section takes its records, not its header.
        clickRow(1);
        clickRow(4, Qt::ShiftModifier);
        QCOMPARE(screen.store.selection(), (Ids{projects.lower, projects.upper, projects.accented}));
    }

    // A double click selects and reveals nothing; the context menu acts on the selection.
    void groupedListDoubleClickOnlySelects()
    {
        const Projects projects = threeProjects();
        Screen screen;
        QVERIFY(screen.scan(projects.root));
        ModuleGroupList *list = showGroups(screen);
        QSignalSpy doubleClicks(list, &QAbstractItemView::doubleClicked);
        doubleClick(list, 4);
        QCOMPARE(doubleClicks.size(), 1);
        QCOMPARE(screen.store.selection(), Ids{projects.accented});
        QVERIFY(screen.reveals.isEmpty());
        QMenu *menu = contextMenu(list, 4);
        QVERIFY(menu);
        QStringList items;
        for (const QAction *action : menu->actions())
            items << action->text();
        QCOMPARE(items, (QStringList{"Open Containing Folder", "Move to Trash", "Delete Permanently"}));
        menu->actions().at(0)->trigger();
        QCOMPARE(screen.reveals, (QList<QList<QByteArray>>{{projects.accented}}));
        menu->close();
    }

    // The same ids in the table and the list, both ways; "Select All" reaches both.
    void groupedListAndTableShareTheSelection()
    {
        const Projects projects = threeProjects();
        Screen screen;
        QVERIFY(screen.scan(projects.root));
        ModuleTableView *table = screen.table();
        ModuleGroupList *list = showGroups(screen);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 4));
        screen.flipGrouping();
        QCOMPARE(screen.content(), table);
        QCOMPARE(selectedIds(table), Ids{projects.accented});
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          rowCentre(table, screen.row(projects.lower)));
        QCOMPARE(screen.store.selection(), (Ids{projects.lower, projects.accented}));
        screen.store.setGroupByFolder(true);
        QTRY_COMPARE(selectedIds(list), (Ids{projects.lower, projects.accented}));
        screen.click("selectAllButton");
        QCOMPARE(selectedIds(list), (Ids{projects.lower, projects.upper, projects.accented}));
        screen.store.setGroupByFolder(false);
        QCOMPARE(selectedIds(table), (Ids{projects.lower, projects.upper, projects.accented}));
    }

    // Selected records without a row in the table stay selected through a Ctrl-click, and
    // go on a plain click.
    void tableCtrlClickKeepsSelectedIdsWithoutARow()
    {
        const Projects projects = threeProjects();
        Screen screen;
        QVERIFY(screen.scan(projects.root));
        ModuleTableView *table = screen.table();
        const QByteArray unlisted = m_tree->path("later/node_modules");
        screen.store.setSelection({projects.lower, unlisted});
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          rowCentre(table, screen.row(projects.upper)));
        QCOMPARE(screen.store.selection(), (Ids{projects.lower, projects.upper, unlisted}));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rowCentre(table, screen.row(projects.upper)));
        QCOMPARE(screen.store.selection(), Ids{projects.upper});
    }

    // A header click puts its column first; again reverses it. Text in code-point order.
    void tableHeaderClickPutsItsColumnFirst()
    {
        const Projects projects = threeProjects();
        Screen screen;
        QVERIFY(screen.scan(projects.root));
        QCOMPARE(screen.order(), (QList<QByteArray>{projects.lower, projects.accented, projects.upper}));
        QHeaderView *header = screen.table()->horizontalHeader();
        const QPoint project(header->sectionViewportPosition(0) + 20, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, project);
        QCOMPARE(screen.store.sortOrder().first(),
                 (ModuleComparator{ModuleComparator::Key::projectName, Qt::AscendingOrder}));
        QCOMPARE(screen.order(), (QList<QByteArray>{projects.upper, projects.lower, projects.accented}));
        QCOMPARE(header->sortIndicatorSection(), int(Model::ProjectColumn));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, project);
        QCOMPARE(screen.order(), (QList<QByteArray>{projects.accented, projects.lower, projects.upper}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    }

    // A right click on a row that is not selected selects it; the menu acts on the selection.
    void tableRightClickSelectsTheRowItsMenuActsOn()
    {
        const Projects projects = threeProjects();
        Screen screen;
        QVERIFY(screen.scan(projects.root));
        ModuleTableView *table = screen.table();
        screen.store.setSelection({projects.lower});
        QTest::mousePress(table->viewport(), Qt::RightButton, {}, rowCentre(table, screen.row(projects.upper)));
        QCOMPARE(screen.store.selection(), Ids{projects.upper});
        QMenu *menu = contextMenu(table, screen.row(projects.upper));
        QVERIFY(menu);
        menu->actions().at(2)->trigger();
        menu->close();
        QCOMPARE(screen.view.pending()->ids, Ids{projects.upper});
        QCOMPARE(screen.view.pending()->mode, DeletionMode::permanent);
        screen.box()->reject();
        QTRY_VERIFY(!screen.box());
    }

    // A double click reveals the selection it makes; the button every selected folder, in
    // the store's order.
    void tableRevealsTheSelection()
    {
        const Projects projects = threeProjects();
        Screen screen;
        QVERIFY(screen.scan(projects.root));
        doubleClick(screen.table(), screen.row(projects.lower));
        QCOMPARE(screen.reveals, (QList<QList<QByteArray>>{{projects.lower}}));
        screen.store.setSelection({projects.lower, projects.upper, projects.accented});
        screen.click("revealButton");
        QList<QByteArray> expected;
        for (const NodeModule &module : screen.store.modules())
            expected << module.modulePath;
        QCOMPARE(screen.reveals.last(), expected);
        QCOMPARE(FolderReveal::fileUri("/a b/\xc3\x89/\xff"), QStringLiteral("file:///a%20b/%C3%89/%FF"));
    }

    // The buttons, the menu and the keys are one set of actions, enabled with the buttons.
    void deletionActionsAreTheButtonsAndKeys()
    {
        QTemporaryDir dir;
        project(dir.path().toUtf8() + "/a", 10);
        Screen screen;
        QVERIFY(screen.exposed && screen.scan(dir.path().toUtf8()));
        for (const char *name : {"revealAction", "moveToTrashAction", "deletePermanentlyAction"})
            QVERIFY2(!screen.find<QAction>(name)->isEnabled(), name);
        QVERIFY(!screen.button("moveToTrashButton")->isEnabled());

        screen.store.setSelection({screen.store.modules().first().id});
        QVERIFY(screen.find<QAction>("moveToTrashAction")->isEnabled());
        QVERIFY(screen.button("moveToTrashButton")->isEnabled());
        screen.click("moveToTrashButton");
        const QStringList asked = dialog(screen.box());
        QVERIFY(screen.view.pending() && screen.view.pending()->mode == DeletionMode::trash);
        buttonLabelled(screen.box(), "Cancel")->click();
        QTRY_VERIFY(!screen.box());
        screen.view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&screen.view));
        screen.table()->setFocus();
        QTest::keyClick(screen.table(), Qt::Key_Delete);
        QCOMPARE(dialog(screen.box()), asked);
        QVERIFY(screen.view.pending() && screen.view.pending()->mode == DeletionMode::trash);
        buttonLabelled(screen.box(), "Cancel")->click();
    }

    // After a scan that found nothing, or after a cancel, the empty state says how the scan ended.
    void emptyStateTellsHowTheScanEnded()
    {
        const QByteArray root = m_tree->path("bare");
        QVERIFY(QDir().mkpath(QFile::decodeName(root + "/src")));
        Screen screen;
        QVERIFY(screen.exposed && screen.scan(root));
        const auto description = [&screen] {
            return qobject_cast<ContentUnavailableView *>(screen.content())->description();
        };
        QCOMPARE(description(), QStringLiteral("Found 0 node_modules folders."));
        screen.store.startScan();
        screen.store.cancel();
        QCOMPARE(description(), QStringLiteral("Scan cancelled. 0 folders found."));
    }

    // Choosing a folder in the desktop's dialog leaves no settings file behind.
    void folderDialogKeepsNothing()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const auto restore = qScopeGuard([] { qunsetenv("XDG_CONFIG_HOME"); });
        const QString chosen = QFile::decodeName(m_tree->path("picked"));
        QVERIFY(QDir().mkpath(chosen));
        ScanStore store;
        ModulesView view(store);
        view.show();
        QTimer poll;
        connect(&poll, &QTimer::timeout, &view, [&chosen] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                dialog->setDirectory(chosen);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        });
        poll.start(20);
        view.browse();
        QCOMPARE(store.rootPath(), chosen);
        QCOMPARE(QDir(config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    // With no file manager and nothing to open folders with, "Open Containing Folder" says so, naming the folder.
    void revealSaysWhenNothingCanOpenTheFolder()
    {
        const QByteArray root = m_tree->path("reveal");
        const QByteArray module = project(root + "/shop", 1000);
        ScanStore store;
        ModulesView view(store);
        view.show();
        store.setRootPath(QFile::decodeName(root));
        store.startScan();
        QTRY_VERIFY(!store.isScanning());
        store.setSelection({module});

        QTemporaryDir noPrograms;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", noPrograms.path().toUtf8());
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        const auto restore = qScopeGuard([&path] {
            qputenv("PATH", path);
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        });
        view.revealSelected();
        QTRY_COMPARE(Dialogs::openMessageBoxes(&view).size(), 1);
        const QMessageBox *box = Dialogs::openMessageBoxes(&view).first();
        QCOMPARE(box->text(), QStringLiteral("The folder could not be opened"));
        QVERIFY(box->informativeText().startsWith(QFile::decodeName(root + "/shop\n")));
    }

    void streamedRecordsAreInsertedInOrder()
    {
        // Many records in completion order, in the store's order.
        const QByteArray root = m_tree->path("code");
        for (int index = 0; index < 40; ++index)
            project(root + "/p" + QByteArray::number(index), 4096 * ((index * 7) % 11));
        Screen screen;
        QAbstractItemModelTester tester(screen.model(), Fail);
        QSignalSpy inserts(screen.model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy resets(screen.model(), &QAbstractItemModel::modelReset);
        QVERIFY(screen.scan(root));
        QCOMPARE((QList<qsizetype>{inserts.size(), resets.size()}), (QList<qsizetype>{40, 0}));
        QList<QByteArray> ids;
        for (const NodeModule &module : screen.store.visible())
            ids << module.id;
        QCOMPARE(screen.order(), ids);
    }

private:
    // Two real folders and three links: to a node_modules folder, to nothing, to a folder
    // holding the whole tree.
    struct Records
    {
        QByteArray root, real, other, live, broken, home;
        [[nodiscard]] QString realSize() const { return ByteFormat::string(allocatedBelow(real)); }
    };
    struct Projects
    {
        QByteArray root, lower, upper, accented;
    };
    [[nodiscard]] Projects threeProjects() const
    {
        const QByteArray root = m_tree->path("code");
        return {root, project(root + "/mono/alpha", 40'000), project(root + "/mono/Zeta", 8'000),
                project(root + "/Émile", 20'000)};
    }
    // Switches the screen to its grouped list and waits for its five rows.
    static ModuleGroupList *showGroups(Screen &screen)
    {
        auto *list = screen.find<ModuleGroupList>("moduleGroupList");
        screen.flipGrouping();
        [&] {
            QVERIFY(screen.store.groupByFolder());
            QCOMPARE(screen.content(), list);
            QTRY_COMPARE(list->groupModel()->rowCount(), 5);
        }();
        return list;
    }
    [[nodiscard]] Records linkTree() const
    {
        Records records;
        records.root = m_tree->path("code");
        records.real = project(records.root + "/real", 30'000);
        records.other = project(records.root + "/other", 10'000);
        records.live = records.root + "/live/node_modules";
        records.broken = records.root + "/broken/node_modules";
        records.home = records.root + "/home/node_modules";
        writeFile(m_tree->path("store/pkg/node_modules/dep/index.js"), 50'000);
        makeLink(m_tree->path("store/pkg/node_modules"), records.live);
        makeLink(m_tree->path("nowhere"), records.broken);
        makeLink(m_tree->path(), records.home);
        return records;
    }

    const QByteArray m_home = qgetenv("HOME");
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
    TestModulesView test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_modulesview.moc"
