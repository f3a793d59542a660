// Process set-up of the POSIX program: standard descriptors, a file-size
// limit, and the signals that end a run.
#include "posix/process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "posix/created_files.h"

static void end_of_signal(int number) {
    posix_remove_created();
    signal(number, SIG_DFL);
    raise(number);
}

void posix_start_process(void) {
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) open("/dev/null", O_RDWR);  // takes fd
    signal(SIGXFSZ, SIG_IGN);
    const int endings[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
    for (int number : endings) {
        struct sigaction was = {};
        if (sigaction(number, nullptr, &was) != 0 || was.sa_handler == SIG_IGN) continue;
        struct sigaction action = {};
        action.sa_handler = end_of_signal;
        sigemptyset(&action.sa_mask);
        sigaction(number, &action, nullptr);
    }
}
