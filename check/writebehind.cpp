#include "writebehind.h"

#include "fileio.h"

#include <system_error>

#ifdef __linux__
#include <pthread.h>
#include <sched.h>
#endif

namespace quillet {

namespace {

// Woken by the thread that fills its pieces, the writer would be queued on that thread's
// processor and wait there while another stands idle: it is kept off that processor instead.
void keepOffCallersProcessor([[maybe_unused]] std::thread &thread)
{
#ifdef __linux__
    cpu_set_t allowed;
    const int caller = sched_getcpu();
    if (caller < 0 || sched_getaffinity(0, sizeof allowed, &allowed) != 0
        || !CPU_ISSET(caller, &allowed) || CPU_COUNT(&allowed) < 2)
        return;
    CPU_CLR(caller, &allowed);
    (void)pthread_setaffinity_np(thread.native_handle(), sizeof allowed, &allowed);
#endif
}

} // namespace

WriteBehind::~WriteBehind()
{
    if (!m_thread.joinable())
        return;
    {
        std::unique_lock lock(m_mutex);
        waitLocked(lock);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

int WriteBehind::start(int descriptor, const char *data, std::size_t size)
{
    if (!m_thread.joinable()) {
        // Without a thread of its own the piece is written here.
        try {
            m_thread = std::thread(&WriteBehind::work, this);
        } catch (const std::system_error &) {
            return fileio::writeAll(descriptor, data, size);
        }
        keepOffCallersProcessor(m_thread);
    }
    int error = fileio::noError;
    {
        std::unique_lock lock(m_mutex);
        error = waitLocked(lock);
        m_descriptor = descriptor;
        m_data = data;
        m_size = size;
        m_busy = true;
    }
    m_changed.notify_all();
    return error;
}

int WriteBehind::wait()
{
    std::unique_lock lock(m_mutex);
    return waitLocked(lock);
}

int WriteBehind::waitLocked(std::unique_lock<std::mutex> &lock)
{
    m_changed.wait(lock, [this] { return !m_busy; });
    const int error = m_error;
    m_error = fileio::noError;
    return error;
}

void WriteBehind::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_busy || m_quit; });
        if (!m_busy)
            return;
        const int descriptor = m_descriptor;
        const char *data = m_data;
        const std::size_t size = m_size;
        lock.unlock();
        const int error = fileio::writeAll(descriptor, data, size);
        lock.lock();
        m_error = error;
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace quillet
