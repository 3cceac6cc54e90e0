#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

// An empty folder of the running test's own in the working folder, removed with all it holds
// when the test ends.
class TScratchFolder {
public:
    TScratchFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Path = std::string("scratch-") + info->test_suite_name() + "-" + info->name();
        std::filesystem::remove_all(Path);
        std::filesystem::create_directory(Path);
    }
    ~TScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(Path, ignored);
    }

    std::string Path;
};
