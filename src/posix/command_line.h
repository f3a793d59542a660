// Builds the Windows-form command line that GetCommandLineW returns on POSIX.
#pragma once

// Called once by the POSIX main with its argv. The first token is the
// absolute path of the running executable; each argument becomes one token,
// written with the name escapes of posix/names.h ('/' turned into '\').
void posix_build_command_line(int argc, char** argv);
