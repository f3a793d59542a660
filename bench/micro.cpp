// Micro-benchmarks: scan_jpeg on a camera-style JPEG header and one whole
// convert_image of a small file. Usage: kestrel_bench [benchmark flags] [camera.jpg [small.jpg]]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/convert_image.h"
#include "icc/icc.h"
#include "jpeg/jpeg.h"
#include "posix/utf.h"

static std::u16string camera_path;    // the header scan's input
static std::u16string small_path;     // the conversion's input
static std::u16string output_path;    // the conversion's output, in work_dir
static std::string work_dir;
static IccProfile* profiles[3];       // gray, RGB, CMYK: the default slots
static long long small_bytes;

// The core takes Windows-form paths, backslashes included, as kestrel's
// command line hands them over.
static std::u16string core_path(const std::string& native) {
    std::u16string path = posix_utf8_to_utf16(native.c_str(), native.size());
    for (char16_t& c : path)
        if (c == u'/') c = u'\\';
    return path;
}

static void append_segment(std::string& jpeg, unsigned code, const std::string& payload) {
    size_t length = payload.size() + 2;
    jpeg += '\xFF';
    jpeg += static_cast<char>(code);
    jpeg += static_cast<char>((length >> 8) & 0xFF);
    jpeg += static_cast<char>(length & 0xFF);
    jpeg += payload;
}

// Deterministic bytes that never hold 0xFF, so no marker appears inside them.
static std::string filler(size_t count, unsigned seed) {
    std::string bytes(count, '\0');
    unsigned state = seed;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>((state >> 16) % 255u);
    }
    return bytes;
}

// The segments a camera writes before the scan: JFIF at 300 dpi, an EXIF block
// with its thumbnail (about 10 KB), two quantisation tables, a 4000 x 3000 RGB
// frame, four Huffman tables; then `scan_bytes` of entropy-coded stand-in data.
static std::string camera_jpeg(size_t scan_bytes) {
    std::string jpeg = "\xFF\xD8";
    append_segment(jpeg, 0xE0, std::string("JFIF\0\x01\x01\x01\x01\x2C\x01\x2C\0\0", 14));
    append_segment(jpeg, 0xE1, std::string("Exif\0\0", 6) + filler(10570, 1));
    append_segment(jpeg, 0xDB, std::string(1, '\0') + filler(64, 2));
    append_segment(jpeg, 0xDB, std::string(1, '\x01') + filler(64, 3));
    append_segment(jpeg, 0xC0,
                   std::string("\x08\x0B\xB8\x0F\xA0\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 15));
    append_segment(jpeg, 0xC4, filler(26, 4));
    append_segment(jpeg, 0xC4, filler(54, 5));
    append_segment(jpeg, 0xC4, filler(26, 6));
    append_segment(jpeg, 0xC4, filler(43, 7));
    append_segment(jpeg, 0xDA, std::string("\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 10));
    jpeg += filler(scan_bytes, 8);
    jpeg += "\xFF\xD9";
    return jpeg;
}

static int write_bytes(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
    return std::fclose(file) == 0 && written == bytes.size();
}

static void bm_scan_jpeg(benchmark::State& state) {
    ImageInfo info;
    for (auto _ : state) {
        int ok = scan_jpeg(camera_path.c_str(), &info, nullptr, nullptr);
        benchmark::DoNotOptimize(ok);
        if (!ok) state.SkipWithError("scan_jpeg failed");
    }
}

// As convert_image calls it: asking for an embedded profile.
static void bm_scan_jpeg_profile(benchmark::State& state) {
    ImageInfo info;
    for (auto _ : state) {
        IccProfile* profile = nullptr;
        int ok = scan_jpeg(camera_path.c_str(), &info, &profile, nullptr);
        benchmark::DoNotOptimize(ok);
        std::free(profile);
        if (!ok) state.SkipWithError("scan_jpeg failed");
    }
}

static void bm_convert_image(benchmark::State& state) {
    for (auto _ : state) {
        ConvertSettings settings = {};
        for (int i = 0; i < PROFILE_SLOTS; ++i) settings.profiles[i] = profiles[i];
        PdfWriter writer = {};
        int ok = convert_image(&writer, small_path.c_str(), output_path.c_str(), &settings, nullptr);
        if (!ok) state.SkipWithError("convert_image failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * small_bytes);
}

BENCHMARK(bm_scan_jpeg);
BENCHMARK(bm_scan_jpeg_profile);
BENCHMARK(bm_convert_image);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    char pattern[] = "/tmp/kestrel-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    work_dir = pattern;

    std::string camera = argc > 1 ? argv[1] : work_dir + "/camera.jpg";
    std::string small = argc > 2 ? argv[2] : camera;
    // Without files, a synthetic camera JPEG of about 100 KB serves both.
    if (argc <= 1 && !write_bytes(camera, camera_jpeg(90000))) {
        std::fprintf(stderr, "cannot write %s\n", camera.c_str());
        return 1;
    }
    struct stat st;
    if (stat(camera.c_str(), &st) != 0 || stat(small.c_str(), &st) != 0) {
        std::fprintf(stderr, "cannot read %s or %s\n", camera.c_str(), small.c_str());
        return 1;
    }
    small_bytes = static_cast<long long>(st.st_size);
    camera_path = core_path(camera);
    small_path = core_path(small);
    output_path = core_path(work_dir + "/small.pdf");

    // The default profiles fill the slots, as in a run without profile arguments.
    const char* names[3] = {"sGray.icc", "sRGB.icc", "sCMYK.icc"};
    for (int slot = 0; slot < 3; ++slot)
        profiles[slot] = load_icc_profile(core_path(std::string(KESTREL_DATA_DIR "/") + names[slot]).c_str(), nullptr);

    benchmark::AddCustomContext("camera.jpg", camera);
    benchmark::AddCustomContext("small.jpg", small + " (" + std::to_string(small_bytes) + " bytes)");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    for (IccProfile* profile : profiles) std::free(profile);
    std::remove((work_dir + "/small.pdf").c_str());
    std::remove((work_dir + "/camera.jpg").c_str());
    rmdir(work_dir.c_str());
    return 0;
}
