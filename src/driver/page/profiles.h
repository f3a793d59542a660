// The profile slots of a run: profiles named on the command line, the
// defaults beside the program, and the choice of one for an image.
#pragma once

#include <cstdint>

#include "driver/cli/settings.h"
#include "platform/win32.h"

// An argument ending in ".icc" or ".icm" (any letter case) names a profile.
int is_profile_argument(const WCHAR* argument);
// Loads the profile into the slot its component count names, the last one
// of a kind winning; 0 when it does not load.
int take_profile_argument(const WCHAR* path, ConvertSettings* settings);
// Fills each empty slot from its default in the data folder beside the
// program; program_path is used as the buffer the default paths are formed in.
void load_default_profiles(HINSTANCE module_instance, WCHAR* program_path, ConvertSettings* settings);
// The first slot of the image's component count, or null.
const IccProfile* choose_slot(uint32_t components, const ConvertSettings* settings);
void release_profiles(ConvertSettings* settings);
