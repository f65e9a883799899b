#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

class QObject;

// Shows folders selected in the desktop's file manager.
namespace FolderReveal {
// Hears of the containing folders that nothing could open.
using UnopenedFunction = std::function<void(const QList<QByteArray> &folders)>;

// Asks the file manager, over D-Bus (org.freedesktop.FileManager1.ShowItems), to show every
// path selected, in one call; when no file manager answers, opens each containing folder
// with the desktop's default handler instead, and hands the folders nothing opened to
// unopened. Paths are the file system's bytes. Returns at once; the answer is awaited only
// while context lives. Nothing happens for no paths.
void showItems(const QList<QByteArray> &paths, QObject *context, UnopenedFunction unopened = {});
// The file URI of a path of any bytes: "file://" and the path percent-encoded.
[[nodiscard]] QString fileUri(const QByteArray &path);
} // namespace FolderReveal
