#pragma once

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>

// The one way work done on a worker thread comes back to the thread of the object that
// asked for it. A worker posts a call to the mailbox, and the call runs on the owner's
// thread, in the order posted. The owner closes the mailbox as it goes: from then on
// nothing is posted, and calls posted before are dropped with the owner's other events.
// The lock makes posting and closing exclusive, so a call is either posted while the
// owner exists or never. Jobs may outlive their owner (a removal stuck on a dead mount):
// nothing in them may touch it but through the mailbox.
//
// QFuture::then(owner, ...) is not used for this: Qt 6.4 asserts when the owner goes
// before the job ends, and runs the continuation inside then() itself when the job has
// ended already.
class Mailbox
{
public:
    explicit Mailbox(QObject *owner)
        : m_owner(owner)
    {
    }

    void post(std::function<void()> call)
    {
        std::lock_guard lock(m_mutex);
        if (m_owner)
            QMetaObject::invokeMethod(m_owner, std::move(call), Qt::QueuedConnection);
    }

    void close()
    {
        std::lock_guard lock(m_mutex);
        m_owner = nullptr;
    }

protected:
    std::mutex m_mutex;

private:
    QObject *m_owner;
};

// Runs work on a worker of pool, then done with its result on the mailbox owner's thread.
// The future finishes with what done returns right after done has run, there; it is
// cancelled when the owner went first.
template <typename Work, typename Done, typename Value = std::invoke_result_t<Work>,
          typename Result = std::invoke_result_t<Done, const Value &>>
[[nodiscard]] QFuture<Result> handBack(QThreadPool &pool, std::shared_ptr<Mailbox> mailbox, Work work, Done done)
{
    auto promise = std::make_shared<QPromise<Result>>();
    promise->start();
    QFuture<Result> future = promise->future();
    pool.start([mailbox = std::move(mailbox), promise, work = std::move(work), done = std::move(done)]() mutable {
        mailbox->post([promise, done, value = work()] {
            if constexpr (std::is_void_v<Result>)
                done(value);
            else
                promise->addResult(done(value));
            promise->finish();
        });
    });
    return future;
}

// Debug builds abort when a blocking function runs on the thread of a GUI
// application; command-line tools and tests that call it directly are not affected.
void assertNotGuiThread(const char *function);
