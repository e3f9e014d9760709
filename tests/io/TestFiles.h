#pragma once
// A scratch folder per test, removed afterwards, and helpers to put bytes into files in it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

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

#ifndef _WIN32
// Lets writes of this process go no further than a file size, the way a full disk stops them:
// the write that crosses the limit is cut short, the next one fails. The signal the kernel
// sends for it is ignored meanwhile, so the writes just report it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_ok = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = m_ok && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Ok() const { return m_ok; }

private:
    struct rlimit m_old {};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};
#endif

} // namespace vorna::test
