#pragma once
// A scratch folder per test, removed afterwards, and helpers to put bytes into files in it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace vorna::test {

class ScratchDir : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("vorna-") + info->test_suite_name() + "-" + info->name();
        for (char& c : name) {
            if (c == '/')
                c = '_';
        }
        m_dir = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    // UTF-8 path of a file in the scratch folder; name is UTF-8 too.
    std::string PathOf(const std::string& name) const {
        return (m_dir / std::filesystem::u8path(name)).u8string();
    }
    std::string WriteFile(const std::string& name, const std::string& bytes) const {
        std::ofstream out(m_dir / std::filesystem::u8path(name),
                          std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        EXPECT_TRUE(out) << "cannot write " << name;
        return PathOf(name);
    }
    std::string ReadBack(const std::string& name) const {
        std::ifstream in(m_dir / std::filesystem::u8path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& name) const {
        return std::filesystem::exists(m_dir / std::filesystem::u8path(name));
    }

    std::filesystem::path m_dir;
};

} // namespace vorna::test
