#pragma once

#include <QList>

// The marks of a value axis of byte counts that starts at 0. Pure; any thread.
namespace ByteAxis {
// 0 and equal steps up to the first mark at or above maxBytes, at most maxIntervals steps
// (at least one), as many as that allows. Every mark is round in the unit its
// ByteFormat text shows, so the text is the value itself (256 MB, 512 MB, 768 MB,
// 1.0 GB; never 476.8 MB or a 1.2 GB that is really 1.25 GB), and below terabytes it
// stays under 1000 of its unit. A maxBytes of 0 or less spans one kilobyte.
[[nodiscard]] QList<qint64> marks(qint64 maxBytes, int maxIntervals);
// True when ByteFormat's text for bytes names exactly that many bytes, in fewer than
// four digits before the point below terabytes.
[[nodiscard]] bool isRound(qint64 bytes);
} // namespace ByteAxis
