// Builds the Windows-form command line that GetCommandLineW returns on POSIX.
#pragma once

// Called once by the POSIX main with its argv. The first token is the
// absolute path of the running executable; each argument becomes one token,
// '/' turned into '\'. An argument that cannot be written as one token is
// reported on standard error as "Kestrel Error: <argument>" and left out.
void posix_build_command_line(int argc, char** argv);
