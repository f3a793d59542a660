// The progress line. Only the POSIX program has a standard error to draw on;
// a terminal is what GetConsoleMode accepts.
#include "driver/progress.h"

#include <cstdio>

#include "driver/inputs/input_source.h"

constexpr uint64_t REDRAW_MS = 100;

void begin_progress(Progress* progress, const Settings* settings) {
    *progress = Progress{};
    DWORD mode = 0;
    if (!(settings->flags & RUN_POSIX) || (settings->flags & RUN_QUIET) ||
        !GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode))
        return;
    progress->total = count_inputs(settings);
    progress->shown = progress->total > 1 || progress->total < 0;
    progress->start_ms = GetTickCount64();
}

// The line drawn over the one before, blanks covering what was longer.
static void write_line(Progress* progress, const char* text) {
    WCHAR units[160];
    DWORD n = 0, written = 0;
    units[n++] = WIDE('\r');
    while (*text != 0 && n < 150) units[n++] = static_cast<WCHAR>(*text++);
    int length = static_cast<int>(n) - 1;
    while (static_cast<int>(n) - 1 < progress->drawn_units) units[n++] = WIDE(' ');
    WriteConsoleW(GetStdHandle(STD_ERROR_HANDLE), units, n, &written, nullptr);
    progress->drawn_units = length;
}

static void draw(Progress* progress, uint64_t now) {
    double seconds = static_cast<double>(now - progress->start_ms) / 1000.0;
    double megabytes = static_cast<double>(progress->bytes) / 1e6;
    char line[140];
    int n = snprintf(line, sizeof line, "%lld", progress->done);
    if (progress->total >= 0) n += snprintf(line + n, sizeof line - static_cast<size_t>(n), " of %lld", progress->total);
    n += snprintf(line + n, sizeof line - static_cast<size_t>(n), " images, %.1f MB, %.1f MB/s", megabytes,
                  seconds > 0 ? megabytes / seconds : 0.0);
    if (progress->total >= 0 && progress->done > 0) {
        long long left = static_cast<long long>(seconds * static_cast<double>(progress->total - progress->done) /
                                                static_cast<double>(progress->done));
        snprintf(line + n, sizeof line - static_cast<size_t>(n), ", %lld:%02lld left", left / 60, left % 60);
    }
    write_line(progress, line);
    progress->drawn_ms = now;
}

void note_progress(Progress* progress, const WCHAR* path) {
    if (!progress->shown) return;
    ++progress->done;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        progress->bytes += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    uint64_t now = GetTickCount64();
    if (progress->drawn_ms == 0 || now - progress->drawn_ms >= REDRAW_MS) draw(progress, now);
}

void clear_progress(Progress* progress) {
    if (!progress->shown || progress->drawn_units == 0) return;
    write_line(progress, "");  // blanks over the whole line
    WCHAR back = WIDE('\r');
    DWORD written = 0;
    WriteConsoleW(GetStdHandle(STD_ERROR_HANDLE), &back, 1, &written, nullptr);
    progress->drawn_units = 0;
}
