// What one run was asked to do, read from its command line into one value:
// the run's own options, and what the conversion of every image needs.
#pragma once

#include <cstdint>

#include "icc/icc.h"
#include "platform/path.h"
#include "platform/win32.h"

// Conversion flags.
constexpr uint32_t CONVERT_AUTO_ORIENT = 1u;  // pages turned as the photos' EXIF orientation says
constexpr uint32_t CONVERT_PDFA = 2u;         // PDF/A-1b documents; images it cannot carry refused
constexpr uint32_t CONVERT_EXIF_DATE = 4u;    // the creation date from the photo's EXIF
constexpr uint32_t CONVERT_OUTLINE = 8u;      // -o: an outline entry per page, in its folders

// The profile slots, by component count.
enum ProfileSlot { GRAY_SLOT, RGB_SLOT, CMYK_SLOT, PROFILE_SLOTS };

// Page layout (--page-size, --fit, --margin, --dpi): every field 0 when its
// option is not given, and then the page is the picture's own size.
enum SheetStand { SHEET_TURNS, SHEET_PORTRAIT, SHEET_LANDSCAPE };
enum FitMode { FIT_NOT_GIVEN, FIT_INTO, FIT_FILL, FIT_SHRINK };  // --fit's words, in order
struct PageSize {
    double width_pt;
    double height_pt;
    uint32_t stand;  // SheetStand: turned to match each picture, or standing as named
};
struct LayoutSettings {
    PageSize sheet;    // --page-size
    uint32_t fit;      // FitMode
    double margin_pt;  // --margin
    double dpi;        // --dpi: pixels to points for every image, over the JFIF density
};

// Units of --title, --author, --subject and --keywords, terminating zero included.
constexpr int TEXT_VALUE_UNITS = 4097;

// The run's texts for every document, each empty when not given, and
// SOURCE_DATE_EPOCH: with fixed_date both dates are fixed_seconds after 1970
// in UTC, not the clock.
struct MetadataSettings {
    WCHAR title[TEXT_VALUE_UNITS];
    WCHAR author[TEXT_VALUE_UNITS];
    WCHAR subject[TEXT_VALUE_UNITS];
    WCHAR keywords[TEXT_VALUE_UNITS];
    int fixed_date;
    int64_t fixed_seconds;
};

// What the conversion of one image needs; the same for every image of a run.
struct ConvertSettings {
    uint32_t flags;  // CONVERT_ bits
    // Named on the command line (the last of each kind wins), else the
    // defaults beside the program; owned by the run.
    IccProfile* profiles[PROFILE_SLOTS];
    // --title, --author, --subject, --keywords; SOURCE_DATE_EPOCH.
    MetadataSettings metadata;
    LayoutSettings layout;
    uint32_t turn;  // --rotate: quarter turns clockwise after the EXIF orientation, 0 to 3
};

// Run flags.
constexpr uint32_t RUN_POSIX = 1u;    // the POSIX program: its own options and exit status
constexpr uint32_t RUN_VERBOSE = 2u;  // each PDF written named on standard output
constexpr uint32_t RUN_HELP = 4u;
constexpr uint32_t RUN_VERSION = 8u;
// Where the images come from and where their PDFs go.
constexpr uint32_t RUN_RECURSIVE = 16u;  // a folder stands for the JPEGs in its tree
constexpr uint32_t RUN_NULL = 32u;       // --files-from names end in NUL, not newline
constexpr uint32_t RUN_UPDATE = 64u;     // only images whose PDF is missing or older
constexpr uint32_t RUN_QUIET = 128u;     // no progress line
constexpr uint32_t RUN_SORT = 256u;      // named images in natural order, not as given

// -j: photos converted at once, at most.
constexpr int MOST_JOBS = 64;

// "-": standard input as an image, standard output as -o (POSIX program).
inline int is_standard_stream(const WCHAR* name) {
    return name[0] == WIDE('-') && name[1] == 0;
}

struct Settings {
    uint32_t flags;                   // RUN_ bits
    WCHAR output[PATH_BUFFER_UNITS];  // -o: the one PDF of every image; empty without
    ConvertSettings convert;
    WCHAR files_from[PATH_BUFFER_UNITS];  // a list of images, "-" standard input; empty without
    WCHAR output_dir[PATH_BUFFER_UNITS];  // single-file PDFs go below it; empty: beside the images
    WCHAR program_path[PATH_BUFFER_UNITS];
    const WCHAR* operands;  // the command line after the program path
    int no_arguments;       // nothing after the program path
    uint64_t values_given;  // by option table row: each value is given once
    int profile_failures;   // profile arguments that did not load
    int jobs;               // -j: photos converted at once; 0 when not given
    // The first thing wrong with the line (null when nothing is) and the
    // argument it is about; nothing is converted then.
    const char* usage_error;
    WCHAR bad_argument[PATH_BUFFER_UNITS];
};
