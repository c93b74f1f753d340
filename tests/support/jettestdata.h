// Where the real Access files of the tests are. They come from other public
// projects, so they are not kept in this one: they stay in the shared test data
// beside it, or in the folder the environment variable DORVI_JET_TESTDATA names.
#pragma once

#include <cstdlib>
#include <filesystem>

inline std::filesystem::path jetTestData()
{
    const char* named = std::getenv("DORVI_JET_TESTDATA");
    return named && *named ? std::filesystem::path(named) : std::filesystem::path(DORVI_JET_TESTDATA);
}

// Skips the running test, naming the folder, when the files are not there.
#define SKIP_WITHOUT_JET_FILES()                                                                      \
    do {                                                                                              \
        if (!std::filesystem::is_directory(jetTestData()))                                            \
            GTEST_SKIP() << "Access test files not found in " << jetTestData().string()               \
                         << " (the shared test data, or the folder named by DORVI_JET_TESTDATA)";    \
    } while (false)
