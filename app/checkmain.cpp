// quillet-check: the window's check from the command line, for scripts and batches of charts.

#include "checkcommand.h"
#include "outputsink.h"

#include <csignal>
#include <new>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include "windowsconsole.h"
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// A closed standard stream would give its number to the next file opened, a chart included.
// Each is opened on /dev/null the wrong way round, so that using it fails as it would have.
bool openClosedStandardStreams()
{
#ifndef _WIN32
    for (int descriptor = 0; descriptor < 3; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) >= 0 || errno != EBADF)
            continue;
        if (::open("/dev/null", descriptor == 0 ? O_WRONLY : O_RDONLY) != descriptor)
            return false;
    }
#endif
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    constexpr int exitTrouble = 2;
    if (!openClosedStandardStreams())
        return exitTrouble;
#ifdef SIGXFSZ
    // Past a file-size limit a write fails with EFBIG and is reported, not fatal.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    quillet::DescriptorSink errors(2);
    try {
#ifdef _WIN32
        const quillet::WindowsConsole console(argc, argv);
#endif
        quillet::DescriptorSink out(1);
        const std::vector<std::string_view> arguments(argv + 1, argv + argc);
        return quillet::runCheckCommand(arguments, out, errors);
    } catch (const std::bad_alloc &) {
        errors.write("quillet-check: Cannot check: out of memory\n");
        return exitTrouble;
    }
}
