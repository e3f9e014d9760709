// Lirel.ini on the disk and the Run entry, under Wine: the file's forms read and written back
// in a folder with a Chinese name, and where the file is looked for.
#include "text/Convert.h"
#include "ui/options/OptionsFile.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace vorna {
namespace {

constexpr char kUtf16Mark[] = "\xFF\xFE";

std::string Utf16Bytes(std::string_view utf8) {
    const std::wstring wide = ToWide(utf8, Encoding::utf8).text;
    return std::string(kUtf16Mark) +
           std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

class OptionsFileTest : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
        m_folder = std::wstring(temp) + L"选项 测试 " + std::to_wstring(::GetCurrentProcessId());
        m_path = m_folder + L"\\Lirel\\Lirel.ini";
        // As APPDATA: there, without the program's own folder.
        ASSERT_TRUE(::CreateDirectoryW(m_folder.c_str(), nullptr));
    }
    void TearDown() override {
        ::DeleteFileW(m_path.c_str());
        ::RemoveDirectoryW((m_folder + L"\\Lirel").c_str());
        ::RemoveDirectoryW(m_folder.c_str());
    }

    void WriteRaw(const std::string& bytes) const {
        ::CreateDirectoryW((m_folder + L"\\Lirel").c_str(), nullptr);
        HANDLE h =
            ::CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(h);
    }
    std::string ReadRaw() const {
        HANDLE h = ::CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return "(none)";
        std::string bytes(4096, '\0');
        DWORD read = 0;
        ::ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        ::CloseHandle(h);
        bytes.resize(read);
        return bytes;
    }

    std::wstring m_folder;
    std::wstring m_path;
};

TEST_F(OptionsFileTest, EachFormIsReadAndWrittenBackInItsOwnForm) {
    using Form = OptionsFileText::Form;
    const std::string text = "[Options]\r\n; 中文说明\r\nSearchAsYouType=1\r\n";
    const std::string added = text + "Key=1\r\n";
    const std::string gbk = Convert(text, Encoding::utf8, Encoding::cp936).text;
    struct Case {
        const char* name;
        std::string bytes;
        Form form;
        std::string writtenBack; // the bytes of the file after text + "Key=1" was written
    } cases[] = {
        {"UTF-8", text, Form::utf8, added},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + text, Form::utf8Marked, "\xEF\xBB\xBF" + added},
        {"UTF-16 with its mark", Utf16Bytes(text), Form::utf16, Utf16Bytes(added)},
        {"the system's code page, written back as UTF-8", gbk, Form::system, added},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteRaw(c.bytes);
        OptionsFileText file = ReadOptionsFile(m_path);
        EXPECT_TRUE(file.readable);
        EXPECT_EQ(file.text, text);
        EXPECT_EQ(file.form, c.form);
        file.text += "Key=1\r\n";
        ASSERT_TRUE(WriteOptionsFile(m_path, file));
        EXPECT_EQ(ReadRaw(), c.writtenBack);
    }
}

TEST_F(OptionsFileTest, AMissingFileIsEmptyAndWritingMakesItsFolder) {
    const OptionsFileText missing = ReadOptionsFile(m_path);
    EXPECT_TRUE(missing.readable);
    EXPECT_EQ(missing.text, "");
    OptionsFileText file;
    file.text = "[Options]\r\n";
    ASSERT_TRUE(WriteOptionsFile(m_path, file));
    EXPECT_EQ(ReadRaw(), file.text);
    EXPECT_EQ(::GetFileAttributesW((m_path + L".new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(OptionsFileTest, AFileThatMakesNoSenseOrIsHeldIsUnreadable) {
    WriteRaw(std::string(kUtf16Mark) + "abc");
    EXPECT_FALSE(ReadOptionsFile(m_path).readable);
    WriteRaw("[Options]\r\n");
    HANDLE held =
        ::CreateFileW(m_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ReadOptionsFile(m_path).readable);
    ::CloseHandle(held);
    EXPECT_TRUE(ReadOptionsFile(m_path).readable);
}

TEST_F(OptionsFileTest, TheFileIsInTheApplicationDataOfTheEnvironment) {
    wchar_t own[MAX_PATH * 2] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"APPDATA", own, MAX_PATH * 2);
    struct Case {
        const wchar_t* appData;
        std::wstring expected;
    } cases[] = {
        {L"D:\\用户\\张三\\AppData\\Roaming",
         L"D:\\用户\\张三\\AppData\\Roaming\\Lirel\\Lirel.ini"},
        {L"D:\\", L"D:\\Lirel\\Lirel.ini"},
    };
    for (const Case& c : cases) {
        ::SetEnvironmentVariableW(L"APPDATA", c.appData);
        EXPECT_EQ(OptionsFilePath(), c.expected);
    }
    // Without the variable, the user's own folder.
    ::SetEnvironmentVariableW(L"APPDATA", nullptr);
    const std::wstring fallback = OptionsFilePath();
    ::SetEnvironmentVariableW(L"APPDATA", n > 0 && n < MAX_PATH * 2 ? own : nullptr);
    EXPECT_GT(fallback.size(), std::wstring(L"\\Lirel\\Lirel.ini").size());
    EXPECT_EQ(fallback.substr(fallback.size() - 16), L"\\Lirel\\Lirel.ini");
}

} // namespace
} // namespace vorna
