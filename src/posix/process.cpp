// Process set-up of the POSIX program: standard descriptors, a file-size
// limit, and the signals that end a run.
#include "posix/process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "posix/created_files.h"

static int closed_at_start[3];

int posix_closed_at_start(int fd) {
    return fd >= 0 && fd <= 2 && closed_at_start[fd];
}

static void end_of_signal(int number) {
    posix_remove_created();
    signal(number, SIG_DFL);
    raise(number);
}

void posix_start_process(void) {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            closed_at_start[fd] = 1;
            open("/dev/null", O_RDWR);  // takes fd
        }
    }
    signal(SIGXFSZ, SIG_IGN);
    // Every signal whose default ends the process, and that may be caught.
    const int endings[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM,
                           SIGVTALRM, SIGPROF, SIGPOLL, SIGSYS, SIGXCPU, SIGSTKFLT, SIGPWR};
    for (int number : endings) {
        struct sigaction was = {};
        if (sigaction(number, nullptr, &was) != 0 || was.sa_handler == SIG_IGN) continue;
        struct sigaction action = {};
        action.sa_handler = end_of_signal;
        sigemptyset(&action.sa_mask);
        sigaction(number, &action, nullptr);
    }
}
