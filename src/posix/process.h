// The POSIX program's process set up before anything else runs.
#pragma once

// Standard descriptors that are closed are opened on /dev/null, so that no
// file the run opens can take their place (a message would land in it); a
// file-size limit makes a write fail instead of ending the process; and every
// catchable signal whose default ends the process (SIGINT, SIGTERM, SIGHUP,
// SIGPIPE, SIGQUIT, SIGUSR1, ...) removes the temporary file being written
// before the process ends of it (unless it was ignored at start, as under
// nohup).
void posix_start_process(void);
// 1 for a standard descriptor (0 to 2) that was closed when the process
// started: it has no file to read or write, so its handle is invalid.
int posix_closed_at_start(int fd);
