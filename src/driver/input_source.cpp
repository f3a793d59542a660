// Producing the images: every operand of the command line that does not
// name a profile, in order (the profiles were taken in the first pass).
#include "driver/input_source.h"

#include "driver/profiles.h"

void begin_inputs(InputSource* source, const Settings* settings) {
    source->walk = OperandWalk{settings->operands, (settings->flags & RUN_POSIX) != 0, 0};
}

int next_input(InputSource* source, Input* input) {
    while (next_operand(&source->walk, input->path, &input->too_long, nullptr) != nullptr)
        if (input->too_long || !is_profile_argument(input->path)) return 1;
    return 0;
}
