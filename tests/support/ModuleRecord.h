#pragma once

// NodeModule records made by hand, for the tests that need no folders on disk.

#include "core/DateFormat.h"
#include "core/fs/FilePaths.h"
#include "core/modules/NodeModule.h"

// The record a scan would make of parent's node_modules: size bytes in group, last used at an
// unknown time; a link when link is set, a live one when it has a target.
inline NodeModule moduleRecord(const QByteArray &parent, const QString &group, qint64 size, bool link = false,
                               std::optional<QByteArray> target = std::nullopt)
{
    return {.id = parent + "/node_modules",
            .projectName = pathText(parent.mid(parent.lastIndexOf('/') + 1)),
            .parentPath = parent,
            .modulePath = parent + "/node_modules",
            .sizeBytes = size,
            .lastAccessed = DateFormat::distantPast(),
            .groupKey = group,
            .isSymlink = link,
            .symlinkTarget = std::move(target),
            .sharedBytes = 0,
            .sharedInodes = {}};
}
