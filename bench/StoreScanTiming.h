#pragma once

#include "core/modules/ScanStore.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>

struct StoreScanTiming
{
    double milliseconds = 0; // startScan() to the end of the scan
    double longestGapMs = 0; // longest time the event loop went without running the probe
};

// Runs one scan through the store on this thread's event loop, as the window does, until
// the store stops scanning (its final status comes with that). A precise timer of `probe`
// on the same loop notes the longest time the loop went without running; startScan() itself
// and the last stretch before the end count as gaps too.
inline StoreScanTiming timeStoreScan(ScanStore &store, std::chrono::milliseconds probe = std::chrono::milliseconds(5))
{
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 lastRun = 0;
    qint64 longest = 0;
    const auto noteRun = [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - lastRun);
        lastRun = now;
    };
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(probe);
    QObject::connect(&ticker, &QTimer::timeout, &loop, noteRun);
    StoreScanTiming timing;
    QObject::connect(&store, &ScanStore::statusTextChanged, &loop, [&] {
        if (store.isScanning())
            return;
        timing.milliseconds = double(clock.nsecsElapsed()) / 1e6;
        noteRun();
        loop.quit();
    });
    ticker.start();
    clock.start();
    store.startScan();
    // A root that cannot be scanned ends the scan before it starts.
    if (store.isScanning())
        loop.exec();
    else
        noteRun();
    timing.longestGapMs = double(longest) / 1e6;
    return timing;
}
