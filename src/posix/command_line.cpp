// GetCommandLineW on POSIX: argv written once as a Windows command line, so
// the core parses exactly what it would parse on Windows.
#include "posix/command_line.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "posix/utf.h"
#include "posix/win32_posix.h"

static std::u16string command_line;

// One argument as one Windows token, or false when no token can carry it:
// the tokenizer has no escapes, so a quote cannot open a token or share one
// with a blank.
static bool append_token(std::u16string& line, const char* argument) {
    std::u16string text = posix_utf8_to_utf16(argument, std::strlen(argument));
    bool blank = text.find(u' ') != std::u16string::npos;
    bool quote = text.find(u'"') != std::u16string::npos;
    if ((quote && blank) || (!text.empty() && text[0] == u'"')) return false;
    for (char16_t& c : text)
        if (c == u'/') c = u'\\';
    if (!line.empty()) line += u' ';
    if (text.empty() || blank)
        line += u'"' + text + u'"';
    else
        line += text;
    return true;
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
    if (!append_token(command_line, program.c_str()))
        command_line += u"\"\"";  // unusable program path: the core sees no arguments
    for (int i = 1; i < argc; ++i) {
        if (!append_token(command_line, argv[i])) {
            std::fprintf(stderr, "Kestrel Error: %s\n", argv[i]);
            std::fflush(stderr);
        }
    }
}

LPWSTR GetCommandLineW(void) {
    return command_line.data();
}
