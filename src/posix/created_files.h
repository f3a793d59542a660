// Files this process created new (a document's temporary file while it is
// written) and has not yet moved into place or deleted: a signal that ends
// the process removes them, so it leaves nothing half-written behind.
#pragma once

void posix_track_created(const char* path);
void posix_forget_created(const char* path);
// Safe inside a signal handler: removes every file (then folder) still tracked.
void posix_remove_created(void);
