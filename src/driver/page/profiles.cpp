// The profile slots: gray, RGB and CMYK, by component count. Defaults come
// from the string table's relative paths, written over the program's name.
#include "driver/page/profiles.h"

#include <cstddef>
#include <cstdlib>

#include "platform/files.h"
#include "platform/path.h"

constexpr int RESOURCE_PATH_UNITS = 260;
constexpr UINT DEFAULT_PROFILE_IDS[PROFILE_SLOTS] = {105, 104, 106};  // gray, RGB, CMYK

int is_profile_argument(const WCHAR* argument) {
    const WCHAR* extension = path_extension(argument);
    return same_text_ignoring_ascii_case(extension, WIDE(".icc")) ||
           same_text_ignoring_ascii_case(extension, WIDE(".icm"));
}

int take_profile_argument(const WCHAR* path, ConvertSettings* settings) {
    IccProfile* profile = load_icc_profile(path, nullptr);
    if (profile == nullptr) return 0;
    int components = icc_component_count(profile);
    int slot = components == 1 ? GRAY_SLOT : components == 3 ? RGB_SLOT : components == 4 ? CMYK_SLOT : -1;
    if (slot < 0) {
        free(profile);
        return 1;
    }
    free(settings->profiles[slot]);
    settings->profiles[slot] = profile;
    return 1;
}

void load_default_profiles(HINSTANCE module_instance, WCHAR* program_path, ConvertSettings* settings) {
    WCHAR* file_name = path_file_name(program_path);
    ptrdiff_t room = PATH_BUFFER_UNITS - (file_name - program_path);
    int capacity = room < RESOURCE_PATH_UNITS ? static_cast<int>(room) : RESOURCE_PATH_UNITS;
    for (int slot = 0; slot < PROFILE_SLOTS; ++slot) {
        if (settings->profiles[slot] != nullptr) continue;
        load_resource_string(module_instance, DEFAULT_PROFILE_IDS[slot], file_name, capacity);
        settings->profiles[slot] = load_icc_profile(program_path, nullptr);
    }
}

const IccProfile* choose_slot(uint32_t components, const ConvertSettings* settings) {
    for (const IccProfile* slot : settings->profiles)
        if (slot != nullptr && static_cast<uint32_t>(icc_component_count(slot)) == components)
            return slot;
    return nullptr;
}

void release_profiles(ConvertSettings* settings) {
    for (IccProfile*& profile : settings->profiles) {
        free(profile);
        profile = nullptr;
    }
}
