// Implements termination.h with a flag and a self-pipe. The pipe is written
// once and never drained: a wait that starts after the signal finds it
// readable at once, so no signal is lost between a look at the flag and the
// start of a wait.
#include "platform/termination.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {
std::atomic<bool> requested{false};
int pipeEnds[2] = {-1, -1};

// Only what is safe in a signal handler: a lock-free atomic and write(2).
void OnTerminationSignal(int) {
    const int savedErrno = errno;
    if (!requested.exchange(true) && pipeEnds[1] >= 0) {
        const char byte = 1;
        if (write(pipeEnds[1], &byte, 1) < 0) {
            // Nothing to do: the flag is set, and polling waits see that.
        }
    }
    errno = savedErrno;
}
}  // namespace

void WatchTermination() {
    if (pipeEnds[0] < 0 && pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) pipeEnds[0] = pipeEnds[1] = -1;
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking call returns EINTR instead of waiting on.
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

bool TerminationRequested() { return requested.load(); }

int TerminationFd() { return pipeEnds[0]; }
