#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/stat.h>
#endif

// An empty folder of the running test's own in the working folder, removed with all it holds
// when the test ends.
class TScratchFolder {
public:
    TScratchFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // A full path: the history and the copies refuse a relative one.
        Path = std::filesystem::absolute(std::string("scratch-") + info->test_suite_name() + "-" +
                                         info->name())
                   .string();
        std::filesystem::remove_all(Path);
        std::filesystem::create_directory(Path);
    }
    ~TScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(Path, ignored);
    }

    std::string Path;
};

// Sets or clears the read-only mark of a file, as a user does in its properties.
inline void SetReadOnly(const std::string& path, bool on) {
#ifdef _WIN32
    ASSERT_TRUE(
        SetFileAttributesA(path.c_str(), on ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL));
#else
    ASSERT_EQ(chmod(path.c_str(), on ? 0444 : 0644), 0);
#endif
}
