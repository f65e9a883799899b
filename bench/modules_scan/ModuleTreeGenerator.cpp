#include "ModuleTreeGenerator.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ModuleTreeGenerator {

namespace {

const std::string s_content(64 * 1024, 'x');

void fail(const QByteArray &what)
{
    std::fprintf(stderr, "tree generator: %s: %s\n", what.constData(), std::strerror(errno));
    std::exit(2);
}

void makeDirs(const QByteArray &path)
{
    QByteArray partial;
    for (const QByteArray &piece : path.split('/')) {
        if (piece.isEmpty())
            continue;
        partial += '/' + piece;
        if (::mkdir(partial.constData(), 0755) != 0 && errno != EEXIST)
            fail(partial);
    }
}

void writeFileAt(int dirFd, const char *name, int size)
{
    const int fd = ::openat(dirFd, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail(name);
    if (size > 0 && ::write(fd, s_content.data(), size) != size)
        fail(name);
    ::close(fd);
}

int openFolder(int dirFd, const char *name)
{
    if (::mkdirat(dirFd, name, 0755) != 0 && errno != EEXIST)
        fail(name);
    const int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail(name);
    return fd;
}

// Small sources mostly, a few bundles: roughly the spread of files in real packages.
int fileSize(QRandomGenerator &random)
{
    const quint32 pick = random.bounded(100);
    if (pick < 60)
        return 100 + int(random.bounded(2000));
    if (pick < 92)
        return 2000 + int(random.bounded(10000));
    return 12000 + int(random.bounded(50000));
}

const char *const s_fileNames[] = {"index.js",   "index.d.ts",   "utils.js",  "types.d.ts", "main.js", "parser.js",
                                   "helpers.js", "constants.js", "index.mjs", "index.cjs",  "core.js", "api.js",
                                   "client.js",  "server.js",    "config.js", "errors.js"};
const char *const s_folderNames[] = {"lib",   "dist",  "src",     "esm",   "cjs",     "internal",
                                     "utils", "types", "modules", "build", "plugins", "compat"};

struct Budget
{
    qint64 files = 0;
};

// Fills folder dirFd with up to `count` files spread over nested subfolders.
void fillPackageFolder(int dirFd, qint64 count, int depth, QRandomGenerator &random, Budget &budget, qint64 &folders)
{
    const qint64 here = depth >= 3 ? count : std::min<qint64>(count, 2 + random.bounded(6));
    for (qint64 i = 0; i < here && budget.files > 0; ++i) {
        const std::string name = std::string(s_fileNames[random.bounded(16)]).insert(0, std::to_string(i) + "-");
        writeFileAt(dirFd, name.c_str(), fileSize(random));
        --budget.files;
    }
    qint64 left = count - here;
    int sub = 0;
    while (left > 0 && budget.files > 0) {
        const qint64 share = std::min<qint64>(left, 1 + random.bounded(quint32(std::max<qint64>(left, 1))));
        const std::string name = std::string(s_folderNames[random.bounded(12)]) + std::to_string(sub++);
        const int child = openFolder(dirFd, name.c_str());
        ++folders;
        fillPackageFolder(child, share, depth + 1, random, budget, folders);
        ::close(child);
        left -= share;
    }
}

void writePackage(int modulesFd, const std::string &name, qint64 files, QRandomGenerator &random, Budget &budget,
                  qint64 &folders, bool mayNest)
{
    const int package = openFolder(modulesFd, name.c_str());
    ++folders;
    for (const char *meta : {"package.json", "README.md", "LICENSE"}) {
        if (budget.files <= 0)
            break;
        writeFileAt(package, meta, 300 + int(random.bounded(3000)));
        --budget.files;
    }
    qint64 rest = std::max<qint64>(files - 3, 0);
    // Now and then a package carries its own node_modules with a dependency or two.
    if (mayNest && rest > 20 && random.bounded(10) == 0) {
        const int nested = openFolder(package, "node_modules");
        ++folders;
        const qint64 nestedFiles = rest / 3;
        writePackage(nested, "dep-" + std::to_string(random.bounded(1000)), nestedFiles, random, budget, folders,
                     false);
        ::close(nested);
        rest -= nestedFiles;
    }
    fillPackageFolder(package, rest, 0, random, budget, folders);
    ::close(package);
}

} // namespace

qint64 generateNodeModules(const QByteArray &path, qint64 files, quint32 seed)
{
    QRandomGenerator random(seed);
    makeDirs(path);
    const int modules = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (modules < 0)
        fail(path);
    qint64 folders = 0;
    Budget budget{files};
    const int bin = openFolder(modules, ".bin");
    ++folders;
    for (int index = 0; budget.files > 0; ++index) {
        // Package sizes from a handful of files to a few thousand, most of them small.
        const quint32 pick = random.bounded(100);
        const qint64 size = pick < 70 ? 4 + random.bounded(20)
            : pick < 95               ? 25 + random.bounded(150)
                                      : 200 + random.bounded(2500);
        std::string name = "pkg-" + std::to_string(index);
        int parent = modules;
        int scope = -1;
        if (random.bounded(8) == 0) {
            scope = openFolder(modules, ("@scope-" + std::to_string(index % 7)).c_str());
            ++folders;
            parent = scope;
        }
        writePackage(parent, name, std::min(size, budget.files), random, budget, folders, true);
        if (scope >= 0)
            ::close(scope);
        if (random.bounded(15) == 0)
            ::symlinkat(("../" + name + "/index.js").c_str(), bin, name.c_str());
    }
    ::close(bin);
    ::close(modules);
    return folders;
}

Tree generateProjects(const QByteArray &base, int projectCount, qint64 moduleFiles, quint32 seed)
{
    QRandomGenerator random(seed);
    Tree tree;
    makeDirs(base);
    // Six projects share a monorepo (its root and five packages), the rest stand alone.
    const int monorepo = projectCount >= 6 ? 6 : 0;
    for (int i = 0; i < projectCount; ++i) {
        QByteArray project;
        if (i < monorepo)
            project = base + "/monorepo" + (i == 0 ? QByteArray() : "/packages/pkg" + QByteArray::number(i));
        else
            project = base + "/code/project-" + QByteArray::number(i);
        tree.projects.append(project);
    }
    // Weights from 0.3 to 1.7: some projects are three times the average, others small.
    QList<double> weights;
    double sum = 0;
    for (int i = 0; i < projectCount; ++i) {
        weights.append(0.3 + random.generateDouble() * 1.4);
        sum += weights.last();
    }
    for (int i = 0; i < projectCount; ++i) {
        const QByteArray &project = tree.projects[i];
        makeDirs(project + "/src/components");
        makeDirs(project + "/.git/objects");
        const int projectFd = ::open(project.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        writeFileAt(projectFd, "package.json", 1200);
        ::close(projectFd);
        for (int f = 0; f < 30; ++f) {
            const QByteArray name = QByteArray::number(f) + ".tsx";
            const int src = ::open((project + "/src/components").constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            writeFileAt(src, name.constData(), fileSize(random));
            ::close(src);
        }
        const qint64 files =
            i == projectCount - 1 ? moduleFiles - tree.moduleFiles : qint64(double(moduleFiles) * weights[i] / sum);
        tree.moduleFolders += generateNodeModules(project + "/node_modules", files, seed * 1000 + quint32(i));
        tree.moduleFiles += files;
    }
    return tree;
}

} // namespace ModuleTreeGenerator
