// The POSIX stand-in's file calls: the behaviour the core relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>

#include "support.h"
#include "posix/file_cache.h"
#include "posix/win32_posix.h"

namespace {

struct PosixFiles : ::testing::Test {
    std::filesystem::path dir = make_temp_dir("posix-files");
    WideString path_of(const std::string& name) { return wide_path(dir / name); }
    HANDLE open(const std::string& name, DWORD access, DWORD disposition) {
        return CreateFileW(path_of(name).c_str(), access, 0, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
};

// Exclusive opening and CREATE_ALWAYS: see the platform tests of open_file.

TEST_F(PosixFiles, FoldersAndMissingFiles) {
    write_file(dir / "here", "");
    std::filesystem::create_directory(dir / "folder.jpg");
    EXPECT_NE(GetFileAttributesW(path_of("here").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(path_of("folder.jpg").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(path_of("gone").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(open("gone", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    // A folder is not a file, as on Windows.
    EXPECT_EQ(open("folder.jpg", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

TEST_F(PosixFiles, ReadAtEndOfFileSucceedsWithFewerBytes) {
    write_file(dir / "five", "12345");
    HANDLE file = open("five", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[16] = {};
    DWORD got = 99;
    EXPECT_TRUE(ReadFile(file, buffer, 3, &got, nullptr));
    EXPECT_EQ(got, 3u);
    EXPECT_TRUE(ReadFile(file, buffer, 16, &got, nullptr));
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(std::string(buffer, 2), "45");
    EXPECT_TRUE(ReadFile(file, buffer, 16, &got, nullptr));
    EXPECT_EQ(got, 0u);
    // Reading a handle opened for writing only is an error, not an end of
    // file, and the other way round.
    HANDLE out = open("w", GENERIC_WRITE, CREATE_ALWAYS);
    EXPECT_TRUE(WriteFile(out, "abc", 3, &got, nullptr));
    EXPECT_EQ(got, 3u);
    EXPECT_FALSE(ReadFile(out, buffer, 4, &got, nullptr));
    EXPECT_FALSE(WriteFile(file, "x", 1, &got, nullptr));
    CloseHandle(out);
    CloseHandle(file);
}

TEST_F(PosixFiles, RelativeMovesFailBeforeStartAndPassTheEnd) {
    write_file(dir / "ten", "0123456789");
    HANDLE file = open("ten", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetFilePointer(file, 4, nullptr, FILE_CURRENT), 4u);
    EXPECT_EQ(SetFilePointer(file, -5, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    // A failed move leaves the position where it was.
    char c = 0;
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(file, &c, 1, &got, nullptr));
    EXPECT_EQ(c, '4');
    EXPECT_EQ(SetFilePointer(file, -5, nullptr, FILE_CURRENT), 0u);
    EXPECT_EQ(SetFilePointer(file, 100, nullptr, FILE_CURRENT), 100u);
    EXPECT_TRUE(ReadFile(file, &c, 1, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 100u);
    CloseHandle(file);
}

TEST_F(PosixFiles, SizeHasAHighPart) {
    write_file(dir / "small", std::string(1000, 'x'));
    HANDLE file = open("small", GENERIC_READ, OPEN_EXISTING);
    DWORD high = 7;
    EXPECT_EQ(GetFileSize(file, &high), 1000u);
    EXPECT_EQ(high, 0u);
    CloseHandle(file);
    // A sparse file just past 4 GiB costs no disk space.
    HANDLE big = open("big", GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(big, INVALID_HANDLE_VALUE);
    std::filesystem::resize_file(dir / "big", (1ull << 32) + 5);
    EXPECT_EQ(GetFileSize(big, &high), 5u);
    EXPECT_EQ(high, 1u);
    CloseHandle(big);
    std::filesystem::remove(dir / "big");
}

TEST_F(PosixFiles, WidePathsReachUtf8Names) {
    write_file(dir / "caf\xc3\xa9 \xe5\x86\x99\xe7\x9c\x9f.jpg", "ok");
    HANDLE file = open("caf\xc3\xa9 \xe5\x86\x99\xe7\x9c\x9f.jpg", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

}  // namespace

namespace {

// Reads and relative moves in any mix see the file as it is, whether they are
// served from the read-ahead buffer, refill it, or bypass it.
TEST(PosixReadAhead, ReadsAndMovesMatchTheFile) {
    auto dir = make_temp_dir("read-ahead");
    std::string bytes;
    for (uint32_t i = 0; i < 1200000; ++i) bytes += static_cast<char>((i * 2654435761u) >> 24);
    write_file(dir / "big.jpg", bytes);
    HANDLE file = CreateFileW(wide_path(dir / "big.jpg").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    // (move, read) pairs: small and large reads across the small first fill
    // and the full ones after it, moves back inside and before the buffered
    // window, forward past it and past the end.
    const int64_t F = READ_AHEAD_FIRST_BYTES, B = READ_AHEAD_BYTES;
    const int64_t steps[][2] = {{0, 10},      {F - 20, 30}, {-1, 1},      {-F, 2},
                                {0, 1},       {0, 2},       {-3, 16},     {100, 512},
                                {-600, 4},    {B, 10},      {-B, 3},      {0, B},
                                {5, B + 100}, {-1, 1},      {-B, B - 512}, {0, 1024},
                                {3 * B, 8},   {-8, 100},    {0, 0}};
    int64_t position = 0;
    std::string chunk(2 * READ_AHEAD_BYTES, '\0');
    for (const auto& step : steps) {
        SCOPED_TRACE("move " + std::to_string(step[0]) + " read " + std::to_string(step[1]));
        DWORD moved = SetFilePointer(file, static_cast<LONG>(step[0]), nullptr, FILE_CURRENT);
        if (position + step[0] < 0) {
            EXPECT_EQ(moved, INVALID_SET_FILE_POINTER);
        } else {
            position += step[0];
            EXPECT_EQ(moved, static_cast<DWORD>(position));
        }
        DWORD got = 0;
        ASSERT_TRUE(ReadFile(file, chunk.data(), static_cast<DWORD>(step[1]), &got, nullptr));
        int64_t available = std::max<int64_t>(0, static_cast<int64_t>(bytes.size()) - position);
        EXPECT_EQ(got, static_cast<DWORD>(std::min<int64_t>(step[1], available)));
        if (position < static_cast<int64_t>(bytes.size())) {
            EXPECT_EQ(chunk.substr(0, got), bytes.substr(static_cast<size_t>(position), got));
        }
        position += got;
    }
    // A move before the start leaves the position alone.
    EXPECT_EQ(SetFilePointer(file, -10000000, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), static_cast<DWORD>(position));
    EXPECT_TRUE(CloseHandle(file));
}

}  // namespace

namespace {

// Writes of any size, with relative moves and size queries between them, leave
// the file holding every byte in order, whether a write is buffered, fills the
// buffer, crosses it or goes straight through.
TEST(PosixWriteBehind, WritesMovesAndSizesMatchTheBytes) {
    auto dir = make_temp_dir("write-behind");
    HANDLE file = CreateFileW(wide_path(dir / "out.pdf").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    // (bytes to write, then 1: ask the position, 2: ask the size, 0: nothing)
    const uint32_t W = WRITE_BEHIND_BYTES;
    const uint32_t steps[][2] = {{10, 0},     {512, 1},      {W - 522, 0}, {512, 2}, {W, 0},
                                 {100, 0},    {W + 4464, 1}, {0, 2},       {1, 0},   {2 * W, 0},
                                 {W - 1, 0},  {512, 2},      {3, 0}};
    std::string expected;
    for (const auto& step : steps) {
        SCOPED_TRACE("write " + std::to_string(step[0]));
        std::string bytes;
        for (uint32_t i = 0; i < step[0]; ++i)
            bytes += static_cast<char>(((expected.size() + i) * 2654435761u) >> 24);
        DWORD put = 0;
        ASSERT_TRUE(WriteFile(file, bytes.data(), step[0], &put, nullptr));
        EXPECT_EQ(put, step[0]);
        expected += bytes;
        DWORD high = 7;
        if (step[1] == 1) {
            EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), expected.size());
        } else if (step[1] == 2) {
            EXPECT_EQ(GetFileSize(file, &high), expected.size());
        }
    }
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(read_file(dir / "out.pdf"), expected);
}

// A full disk met when the buffered bytes go to the kernel fails the call that
// sent them, whichever call it is; here the disk is a file size limit.
TEST(PosixWriteBehind, AFailedHandOverFailsTheCallThatMadeIt) {
    auto dir = make_temp_dir("write-behind-full");
    struct rlimit before;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    void (*old_handler)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = before;
    limit.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    enum Trigger { WRITE_FILLING_THE_BUFFER, MOVE, SIZE, CLOSE };
    const std::string bytes(WRITE_BEHIND_BYTES, 'x');
    for (Trigger trigger : {WRITE_FILLING_THE_BUFFER, MOVE, SIZE, CLOSE}) {
        SCOPED_TRACE("trigger " + std::to_string(trigger));
        HANDLE file = CreateFileW(wide_path(dir / "out.pdf").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD put = 0;
        // Past the limit, but only in the buffer so far.
        EXPECT_TRUE(WriteFile(file, bytes.data(), 2000, &put, nullptr));
        DWORD high = 0;
        if (trigger == WRITE_FILLING_THE_BUFFER) {
            EXPECT_FALSE(WriteFile(file, bytes.data(), WRITE_BEHIND_BYTES - 2000, &put, nullptr));
        } else if (trigger == MOVE) {
            EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
        } else if (trigger == SIZE) {
            EXPECT_EQ(GetFileSize(file, &high), INVALID_FILE_SIZE);
        }
        // The failed bytes are not offered again: the close then succeeds.
        EXPECT_EQ(CloseHandle(file), trigger == CLOSE ? FALSE : TRUE);
        EXPECT_EQ(std::filesystem::file_size(dir / "out.pdf"), 1000u);
    }
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, old_handler);
}

}  // namespace
