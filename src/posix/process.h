// The POSIX program's process set up before anything else runs.
#pragma once

// Standard descriptors that are closed are opened on /dev/null, so that no
// file the run opens can take their place (a message would land in it); a
// file-size limit makes a write fail instead of ending the process; and
// SIGINT, SIGTERM, SIGHUP and SIGPIPE remove the temporary file being
// written before the process ends of them (unless they were ignored at start,
// as under nohup).
void posix_start_process(void);
