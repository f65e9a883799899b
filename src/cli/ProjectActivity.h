#pragma once

#include <QByteArray>
#include <QDateTime>

// When a project was last worked on: the newest modification time of its folder, its
// package.json, its lock files and .git/index. Access times are never used (any listing
// of the folder moves them). Links are not followed. Blocking; any thread.
namespace ProjectActivity {

// DateFormat::distantPast() when none of them can be read.
[[nodiscard]] QDateTime lastActivity(const QByteArray &projectPath);

} // namespace ProjectActivity
