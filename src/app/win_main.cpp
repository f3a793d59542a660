// Entry point of kestrel.exe: a GUI-subsystem program that opens no window;
// the batch reads the command line itself.
#include "driver/run_batch.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR command_tail, int show) {
    (void)previous, (void)command_tail, (void)show;
    return run_batch(instance, 0);
}
