// GetCommandLineW on POSIX: argv written once as a Windows command line, so
// the core parses exactly what it would parse on Windows, every name intact.
#include "posix/command_line.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "posix/names.h"
#include "posix/win32_posix.h"

static std::u16string command_line;

// One argument as one Windows token. The name escapes leave no quote in the
// text, so quoting a token that holds a blank always works.
static void append_token(std::u16string& line, const char* argument) {
    std::u16string text = posix_name_to_wide(argument, std::strlen(argument));
    if (!line.empty()) line += u' ';
    if (text.find(u' ') != std::u16string::npos)
        line += u'"' + text + u'"';
    else
        line += text;
}

void posix_build_command_line(int argc, char** argv) {
    command_line.clear();
    // The real program's absolute path, so data/ beside it is found even when
    // it was started through a symbolic link or from PATH.
    char self[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", self, PATH_MAX);
    std::string program;
    if (n > 0) {
        program.assign(self, static_cast<size_t>(n));
    } else if (argc > 0 && realpath(argv[0], self) != nullptr) {
        program = self;
    } else if (argc > 0) {
        program = argv[0];
    }
    append_token(command_line, program.c_str());
    for (int i = 1; i < argc; ++i) append_token(command_line, argv[i]);
}

LPWSTR GetCommandLineW(void) {
    return command_line.data();
}
