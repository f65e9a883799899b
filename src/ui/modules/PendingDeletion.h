#pragma once

#include "core/modules/NodeModulesScanner.h"

#include <QByteArray>
#include <QSet>
#include <QString>

// One deletion waiting for the user's confirmation: exactly the record ids to delete,
// copied when it is asked for, so records that arrive or a selection that changes while
// the dialog is open change nothing that gets deleted.
struct PendingDeletion
{
    QSet<QByteArray> ids;
    NodeModulesScanner::DeletionMode mode = NodeModulesScanner::DeletionMode::trash;

    // "{mode}-{number of ids}-{hash of the ids}", for example "trash-3-1234567".
    [[nodiscard]] QString id() const;
    // "Move 1 node_modules folder to the Trash?", "Permanently delete 3 node_modules folders?"
    [[nodiscard]] QString title() const;
    // What happens to the folders, then, when symlinks (how many of the ids are links) is
    // at least 1, what happens to links; paragraphs apart by an empty line.
    [[nodiscard]] QString message(int symlinks) const;
    // "Move to Trash ({size})" or "Delete Permanently ({size})".
    [[nodiscard]] QString buttonLabel(qint64 reclaimableBytes) const;

    friend bool operator==(const PendingDeletion &, const PendingDeletion &) = default;
};
