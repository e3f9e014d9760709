// The watch of a loaded file, under Wine: the changes an editor or another program makes reach
// a window of the test's own as messages, once the file can be read.
#include "text/Convert.h"
#include "ui/FolderWatch.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

namespace vorna {
namespace {

constexpr UINT kChanged = WM_APP + 7;
int g_notices = 0;

LRESULT CALLBACK CountNotices(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kChanged) {
        ++g_notices;
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// Pumps the test's messages until cond holds or timeoutMs have passed.
bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs = 10000) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
        if (cond())
            return true;
        if (::GetTickCount64() >= end)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

class FolderWatchTest : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW cls{};
        cls.lpfnWndProc = &CountNotices;
        cls.hInstance = ::GetModuleHandleW(nullptr);
        cls.lpszClassName = L"VornaWatchTest";
        ::RegisterClassW(&cls);
        m_window = ::CreateWindowW(L"VornaWatchTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   cls.hInstance, nullptr);
        ASSERT_TRUE(m_window);
        wchar_t temp[MAX_PATH] = {};
        ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
        m_folder = std::wstring(temp) + L"监视 " + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(m_folder.c_str(), nullptr);
        m_file = m_folder + L"\\笔记.vendu";
        Write(m_file, "(%Q%)q(%A%)a", CREATE_ALWAYS);
        g_notices = 0;
        ASSERT_TRUE(m_watch.Watch(m_window, kChanged, FromWide(m_file, Encoding::utf8).text));
    }
    void TearDown() override {
        m_watch.Stop();
        for (const wchar_t* name : {L"\\笔记.vendu", L"\\笔记.vendu.tmp", L"\\其他.txt"})
            ::DeleteFileW((m_folder + name).c_str());
        ::RemoveDirectoryW(m_folder.c_str());
        ::DestroyWindow(m_window);
    }

    static void Write(const std::wstring& path, const std::string& bytes, DWORD how) {
        const DWORD access = how == OPEN_ALWAYS ? FILE_APPEND_DATA : GENERIC_WRITE;
        HANDLE h = ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 how, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(h);
    }

    // Waits for the next notice; true when exactly one more came.
    bool NextNotice() {
        const int before = g_notices;
        return PumpUntil([&] { return g_notices > before; }) && g_notices == before + 1;
    }

    HWND m_window = nullptr;
    std::wstring m_folder;
    std::wstring m_file;
    CFolderWatch m_watch;
};

TEST_F(FolderWatchTest, AnAppendARewriteAndASaveThroughAnotherNameAreEachNoticed) {
    struct Change {
        const char* name;
        std::function<void()> make;
    } changes[] = {
        {"appended", [&] { Write(m_file, "(%Q%)q2(%A%)a2", OPEN_ALWAYS); }},
        {"written anew in place", [&] { Write(m_file, "(%Q%)new(%A%)a", CREATE_ALWAYS); }},
        {"replaced by a save through another name",
         [&] {
             const std::wstring temp = m_file + L".tmp";
             Write(temp, "(%Q%)saved(%A%)by rename", CREATE_ALWAYS);
             ASSERT_TRUE(::MoveFileExW(temp.c_str(), m_file.c_str(), MOVEFILE_REPLACE_EXISTING));
         }},
        {"deleted and made again",
         [&] {
             ASSERT_TRUE(::DeleteFileW(m_file.c_str()));
             Write(m_file, "(%Q%)back(%A%)again", CREATE_ALWAYS);
         }},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        c.make();
        EXPECT_TRUE(NextNotice()) << g_notices << " notices";
    }
}

TEST_F(FolderWatchTest, AFileHeldByAnotherProgramIsNoticedOnceItIsLetGo) {
    HANDLE held =
        ::CreateFileW(m_file.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(held, "(%Q%)x(%A%)y", 12, &written, nullptr);
    // The change cannot be read while the writer holds the file: for a second, nothing comes.
    EXPECT_FALSE(PumpUntil([] { return g_notices > 0; }, 1000));
    ::CloseHandle(held);
    EXPECT_TRUE(NextNotice());

    // A load that failed after all asks for the file again.
    m_watch.Retry();
    EXPECT_TRUE(NextNotice());
}

TEST_F(FolderWatchTest, StoppingEndsTheNoticesAndAMissingFolderCannotBeWatched) {
    EXPECT_TRUE(m_watch.IsWatching());
    m_watch.Stop();
    EXPECT_FALSE(m_watch.IsWatching());
    EXPECT_FALSE(m_watch.Watch(m_window, kChanged, "C:\\no such folder here\\x.vendu"));
    EXPECT_FALSE(m_watch.IsWatching());
}

} // namespace
} // namespace vorna
