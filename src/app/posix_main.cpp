// Entry point of the POSIX kestrel: argv becomes the Windows-form command line
// the core reads, then the batch runs with the POSIX program's conventions.
#include "driver/run_batch.h"
#include "posix/command_line.h"
#include "posix/process.h"

int main(int argc, char** argv) {
    posix_start_process();
    posix_build_command_line(argc, argv);
    return run_batch(nullptr, BATCH_POSIX);
}
