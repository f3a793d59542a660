// The images --pdfa refuses. Each would otherwise be a file that claims PDF/A
// and fails a validator, or one whose colours were changed to make it pass:
// PDF/A-1 (PDF 1.4) knows ICC profiles up to version 2, draws an image only
// in a profile of its own colour space, and allows pages of 3 to 14,400
// units; its XMP packet cannot hold control characters.
#include "driver/page/archive_rules.h"

#include "driver/cli/layout_values.h"
#include "platform/text.h"

constexpr double SMALLEST_PAGE_PT = 3.0;

static int inside(double length) {
    return length >= SMALLEST_PAGE_PT && length <= LARGEST_PAGE_PT;
}

const char* archive_refusal(const IccProfile* profile, uint32_t components, const PageSpec* page,
                            int unnamed_space, const ConvertSettings* settings) {
    // The profile left aside today would be another's colours.
    if (unnamed_space)
        return "its ICC profile is of Lab or XYZ data, which PDF/A-1 cannot draw an image in";
    if (profile == nullptr) return "no ICC profile for its colour space, which PDF/A-1 needs";
    if (icc_major_version(profile) > 2)
        return "its ICC profile is of version 4 or later; PDF/A-1 allows 2 at most";
    if (static_cast<uint32_t>(icc_component_count(profile)) != components)
        return "its ICC profile is for another number of colour components than the image has";
    if (!inside(page->width_pt) || !inside(page->height_pt))
        return "its page is outside PDF/A-1's sizes of 3 to 14,400 points";
    if (settings->metadata.subject[0] == 0 && icc_description(profile) != nullptr &&
        !xml_can_hold(icc_description(profile)))
        return "its ICC profile's description holds a control character, which PDF/A-1 metadata "
               "cannot";
    return nullptr;
}
