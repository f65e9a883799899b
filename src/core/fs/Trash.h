#pragma once

#include <QByteArray>
#include <QString>

// Moves items to the user's Trash as the freedesktop.org Trash specification lays out.
// An item on the same mount as the home trash ($XDG_DATA_HOME/Trash, by default
// ~/.local/share/Trash) goes there; an item on another mount goes to that mount's
// top-directory trash: $topdir/.Trash/$uid when $topdir/.Trash is a real folder with
// the sticky bit, else $topdir/.Trash-$uid. Missing trash folders are created (0700).
//
// The .trashinfo is reserved with O_EXCL before the item is renamed (never over an
// existing name) into files/, so an item is reported trashed only when it lies in
// files/ with its .trashinfo beside it. Anything else is a failure that leaves the
// item where it was: nothing is copied across file systems and nothing is deleted.
//
// A trash folder that is not the user's own, that others can write to, or whose files/
// or info/ belong to someone else is never used (a top directory's .Trash/$uid that
// fails these checks gives way to .Trash-$uid); the failure names it. The top directory
// is found by the item's own device, so an item on a nested btrfs subvolume goes to the
// subvolume's trash.
class Trash
{
public:
    struct Outcome
    {
        int error = 0;       // 0 when trashed, else the errno of the failure
        QByteArray location; // absolute path of the item in a trash's files/
        QString problem;     // what failed, when saying more than the errno's text
    };

    // Moves entry `name` of the folder parentFd (the entry is never followed when it
    // is a link) to the Trash. itemPath is the entry's absolute path as the user
    // knows it; the home trash records it as the original location. Blocking.
    [[nodiscard]] static Outcome moveToTrash(int parentFd, const QByteArray &name, const QByteArray &itemPath);

    // $XDG_DATA_HOME/Trash, or $HOME/.local/share/Trash when XDG_DATA_HOME is unset,
    // empty or relative; empty when there is no home folder at all. Read from the
    // environment at each call.
    [[nodiscard]] static QByteArray homeTrashPath();
};
