// The program's whole control flow: profiles from the command line and the
// defaults beside the program, then every other argument converted to a PDF
// beside it, one message box per failure. The exit code is always 0.
#include <cstddef>
#include <cstdlib>

#include "driver/driver.h"
#include "platform/files.h"
#include "platform/path.h"

constexpr int RESOURCE_PATH_UNITS = 260;
constexpr UINT GRAY_PROFILE_ID = 105;
constexpr UINT RGB_PROFILE_ID = 104;
constexpr UINT CMYK_PROFILE_ID = 106;

static int is_profile_argument(WCHAR* token) {
    const WCHAR* extension = path_extension(token);
    return same_text_ignoring_ascii_case(extension, WIDE(".icc")) ||
           same_text_ignoring_ascii_case(extension, WIDE(".icm"));
}

static void copy_text(WCHAR* to, const WCHAR* from) {
    while ((*to++ = *from++) != 0) {
    }
}

static void report_failure(const WCHAR* argument) {
    MessageBoxW(nullptr, argument, WIDE("Kestrel Error"), MB_OK);
}

// Puts `profile` in the slot its component count names; the last one wins.
static void file_profile(IccProfile* profile, IccProfile** slots) {
    int components = icc_component_count(profile);
    int slot = components == 1 ? 0 : components == 3 ? 1 : components == 4 ? 2 : -1;
    if (slot < 0) {
        free(profile);
        return;
    }
    free(slots[slot]);
    slots[slot] = profile;
}

int make_output_path(const WCHAR* token, WCHAR* output) {
    const WCHAR* extension = path_extension(token);
    ptrdiff_t stem = extension - token;
    if (stem + 5 > PATH_BUFFER_UNITS) return 0;  // ".pdf" and the zero must fit
    for (ptrdiff_t i = 0; i < stem; ++i) output[i] = token[i];
    copy_text(output + stem, WIDE(".pdf"));
    return 1;
}

int run_batch(HINSTANCE module_instance) {
    WCHAR token[PATH_BUFFER_UNITS];
    WCHAR program_path[PATH_BUFFER_UNITS];
    WCHAR output_path[PATH_BUFFER_UNITS];
    IccProfile* slots[3] = {nullptr, nullptr, nullptr};  // gray, RGB, CMYK
    const WCHAR* cursor = GetCommandLineW();
    const WCHAR* second_pass = nullptr;
    int too_long = 0;

    // First pass: the program path, then the profile arguments.
    while (next_argument(&cursor, token, &too_long) != nullptr) {
        if (second_pass == nullptr) {
            probe_unicode_support(token);
            copy_text(program_path, token);
            second_pass = cursor;
        } else if (!too_long && is_profile_argument(token)) {
            IccProfile* profile = load_icc_profile(token);
            if (profile != nullptr) file_profile(profile, slots);
        }
    }
    if (second_pass == nullptr) return 0;

    // Defaults from the data folder beside the program, for the empty slots.
    WCHAR* file_name = path_file_name(program_path);
    ptrdiff_t room = PATH_BUFFER_UNITS - (file_name - program_path);
    int capacity = room < RESOURCE_PATH_UNITS ? static_cast<int>(room) : RESOURCE_PATH_UNITS;
    const UINT default_ids[3] = {GRAY_PROFILE_ID, RGB_PROFILE_ID, CMYK_PROFILE_ID};
    for (int slot = 0; slot < 3; ++slot) {
        if (slots[slot] != nullptr) continue;
        load_resource_string(module_instance, default_ids[slot], file_name, capacity);
        slots[slot] = load_icc_profile(program_path);
    }

    // Second pass: every other argument is an image.
    cursor = second_pass;
    while (next_argument(&cursor, token, &too_long) != nullptr) {
        if (too_long) {
            report_failure(token);
            continue;
        }
        if (is_profile_argument(token)) continue;
        if (!make_output_path(token, output_path) ||
            !convert_image(token, output_path, slots[0], slots[1], slots[2]))
            report_failure(token);
    }

    for (IccProfile* profile : slots) free(profile);
    return 0;
}
