#include "iothread.h"

#include "fileio.h"

#include <chrono>
#include <system_error>

#ifdef __linux__
#include <pthread.h>
#include <sched.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

namespace quillet {

namespace {

// About the time of a piece of a few hundred KiB: the longest one side waits on the other
// without sleeping.
constexpr std::chrono::microseconds spinTime(200);

int currentProcessor()
{
#ifdef __linux__
    return sched_getcpu();
#elif defined(_WIN32)
    return int(GetCurrentProcessorNumber());
#else
    return -1;
#endif
}

// Spins until done() holds or the time is up, only while the other side runs on another known
// processor: spinning on its processor would keep it from running.
template <class Done> void spinUntil(const std::atomic<int> &otherProcessor, Done done)
{
    const int own = currentProcessor();
    const int other = otherProcessor.load(std::memory_order_relaxed);
    if (own < 0 || other < 0 || own == other)
        return;
    const auto until = std::chrono::steady_clock::now() + spinTime;
    for (unsigned round = 1; !done(); ++round) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
        __builtin_ia32_pause();
#endif
        if (round % 64 == 0 && std::chrono::steady_clock::now() > until)
            return;
    }
}

#ifdef __linux__
// When the scheduler puts both sides on one processor, each waits there for the other to sleep
// and a chart takes as long as the two together (about half of the runs on a 100 MB chart): the
// worker then moves to another processor the program may use. It is moved, not bound there, so
// that on a busy machine the scheduler still places it.
void keepOffProcessor(int processor, const cpu_set_t &allowed)
{
    if (processor < 0 || processor >= CPU_SETSIZE || processor != currentProcessor())
        return;
    cpu_set_t others = allowed;
    CPU_CLR(processor, &others);
    if (CPU_COUNT(&others) > 0
        && pthread_setaffinity_np(pthread_self(), sizeof others, &others) == 0)
        (void)pthread_setaffinity_np(pthread_self(), sizeof allowed, &allowed);
}
#endif

} // namespace

int IoThread::perform(const Piece &piece, long long &count)
{
    int error = fileio::noError;
    if (piece.isRead)
        count = fileio::readSome(piece.descriptor, piece.data, piece.size, error);
    else
        error = fileio::writeAll(piece.descriptor, piece.data, piece.size);
    return error;
}

IoThread::~IoThread()
{
    stop();
}

void IoThread::stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::unique_lock lock(m_mutex);
        long long count = 0;
        waitLocked(lock, count);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
    m_quit = false;
    m_workerProcessor = -1;
}

int IoThread::startWrite(int descriptor, const char *data, std::size_t size)
{
    return start({false, descriptor, const_cast<char *>(data), size});
}

void IoThread::startRead(int descriptor, char *data, std::size_t size)
{
    (void)start({true, descriptor, data, size});
}

int IoThread::wait()
{
    long long count = 0;
    return wait(count);
}

int IoThread::wait(long long &count)
{
    m_callerProcessor.store(currentProcessor(), std::memory_order_relaxed);
    spinUntil(m_workerProcessor, [this] { return !m_busy.load(std::memory_order_acquire); });
    std::unique_lock lock(m_mutex);
    return waitLocked(lock, count);
}

int IoThread::start(const Piece &piece)
{
#ifdef QUILLET_NO_THREADS
    m_noThread = true;
#endif
    if (!m_thread.joinable() && !m_noThread) {
        try {
            m_thread = std::thread(&IoThread::work, this);
        } catch (const std::system_error &) {
            m_noThread = true;
        }
    }
    if (m_noThread) {
        // The piece is done here, and its outcome kept for wait as the thread's would be.
        const int error = m_error;
        m_count = 0;
        m_error = perform(piece, m_count);
        return error;
    }
    int error = fileio::noError;
    m_callerProcessor.store(currentProcessor(), std::memory_order_relaxed);
    spinUntil(m_workerProcessor, [this] { return !m_busy.load(std::memory_order_acquire); });
    {
        std::unique_lock lock(m_mutex);
        long long count = 0;
        error = waitLocked(lock, count);
        m_piece = piece;
        m_busy = true;
    }
    m_changed.notify_all();
    return error;
}

// A side that sleeps cannot say where it will wake: the other side does not spin for it until it
// runs again, for spinning on the processor it wakes on would keep it from running.
template <class Done>
void IoThread::sleep(std::atomic<int> &ownProcessor, std::unique_lock<std::mutex> &lock, Done done)
{
    if (done())
        return;
    ownProcessor.store(-1, std::memory_order_relaxed);
    m_changed.wait(lock, done);
    ownProcessor.store(currentProcessor(), std::memory_order_relaxed);
}

int IoThread::waitLocked(std::unique_lock<std::mutex> &lock, long long &count)
{
    sleep(m_callerProcessor, lock, [this] { return !m_busy; });
    const int error = m_error;
    count = m_count;
    m_error = fileio::noError;
    m_count = 0;
    return error;
}

void IoThread::work()
{
#ifdef __linux__
    // The processors the program may use, before this thread narrows its own.
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    (void)pthread_getaffinity_np(pthread_self(), sizeof allowed, &allowed);
#endif
    for (;;) {
        m_workerProcessor.store(currentProcessor(), std::memory_order_relaxed);
        spinUntil(m_callerProcessor, [this] {
            return m_busy.load(std::memory_order_acquire) || m_quit.load(std::memory_order_acquire);
        });
        std::unique_lock lock(m_mutex);
        sleep(m_workerProcessor, lock, [this] { return m_busy || m_quit; });
        if (!m_busy)
            return;
        const Piece piece = m_piece;
        lock.unlock();
#ifdef __linux__
        keepOffProcessor(m_callerProcessor.load(std::memory_order_relaxed), allowed);
        m_workerProcessor.store(currentProcessor(), std::memory_order_relaxed);
#endif
        long long count = 0;
        const int error = perform(piece, count);
        lock.lock();
        m_error = error;
        m_count = count;
        m_busy = false;
        lock.unlock();
        m_changed.notify_all();
    }
}

} // namespace quillet
