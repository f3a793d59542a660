// The first pass: the program path decides how files are opened, the options
// fill the settings, and each profile argument is loaded into its slot before
// any image is converted, so a profile serves the images named before it too.
#include "driver/read_settings.h"

#include "driver/layout_values.h"
#include "driver/operands.h"
#include "driver/profiles.h"
#include "platform/files.h"

int read_settings(Settings* settings, uint32_t run_flags) {
    *settings = Settings{};
    settings->flags = run_flags;
    WCHAR token[PATH_BUFFER_UNITS];
    OperandWalk walk = {GetCommandLineW(), (run_flags & RUN_POSIX) != 0, 0};
    if (next_argument(&walk.cursor, token, nullptr) == nullptr) return 0;
    probe_unicode_support(token);
    for (int i = 0; (settings->program_path[i] = token[i]) != 0; ++i) {
    }
    settings->operands = walk.cursor;
    const WCHAR* peek = walk.cursor;
    settings->no_arguments = next_argument(&peek, token, nullptr) == nullptr;
    int too_long = 0;
    while (next_operand(&walk, token, &too_long, settings) != nullptr)
        if (!too_long && is_profile_argument(token)) take_profile_argument(token, &settings->convert);
    check_layout(settings);
    return 1;
}

void release_settings(Settings* settings) {
    release_profiles(&settings->convert);
}
