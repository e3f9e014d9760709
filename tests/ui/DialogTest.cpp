#include "platform/App.h"
#include "platform/Controls.h"
#include "platform/Dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace vorna {
namespace {

constexpr UINT kTestDialog = 900;
constexpr int kEdit = 901, kSlider = 902, kLink = 903, kList = 904;
constexpr UINT kRunAction = WM_APP;
constexpr UINT kThrow = WM_APP + 1;
constexpr UINT kThrowInControl = WM_APP + 2;

class CProbeStatic : public CStatic {
public:
    int preSubclassCalls = 0;
    bool boundDuringHook = false;
    int clicks = 0;
    int colourRequests = 0;
    int mouseMovesSeen = 0;

    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
        if (message == kThrowInControl)
            throw 7;
        return false;
    }
    bool PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_MOUSEMOVE)
            ++mouseMovesSeen;
        return false;
    }
    bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
        if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
            ++clicks;
            return true;
        }
        if (message == WM_CTLCOLORSTATIC) {
            ++colourRequests;
            result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
            return true;
        }
        return false;
    }

protected:
    void PreSubclassWindow() override {
        ++preSubclassCalls;
        boundDuringHook = m_hWnd != nullptr;
    }
};

class CTestDlg : public CDialog {
public:
    explicit CTestDlg(HWND parent = nullptr) : CDialog(kTestDialog, parent) {}

    std::string m_strText;
    int m_nPos = 0;
    CProbeStatic m_link;
    CListBox m_list;
    CTrackBar m_slider;
    std::function<void(CTestDlg&)> onInit;
    std::function<void(CTestDlg&)> onAction;
    int okCalls = 0;
    int cancelCalls = 0;
    int linkCommandsSeenByDialog = 0;

    using CDialog::Notify;

protected:
    void DoDataExchange(CDataExchange& dx) override {
        dx.Control(kLink, m_link);
        dx.Control(kList, m_list);
        dx.Control(kSlider, m_slider);
        dx.Text(kEdit, m_strText);
        dx.SliderPos(kSlider, m_nPos);
    }
    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        m_slider.SetRange(10, 255, false);
        if (onInit)
            onInit(*this);
        return true;
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (message) {
        case kRunAction:
            if (onAction)
                onAction(*this);
            return true;
        case kThrow:
            throw std::runtime_error("handler failure");
        case WM_COMMAND:
            if (LOWORD(wParam) == kLink)
                ++linkCommandsSeenByDialog;
            break;
        }
        return CDialog::OnMessage(message, wParam, lParam, result);
    }
    void OnOK() override {
        ++okCalls;
        CDialog::OnOK();
    }
    void OnCancel() override {
        ++cancelCalls;
        CDialog::OnCancel();
    }
};

class DialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES | ICC_HOTKEY_CLASS};
        ::InitCommonControlsEx(&classes);
    }
};

TEST_F(DialogTest, DataExchangeBindsOnceAndMovesValuesBothWays) {
    CTestDlg dlg;
    dlg.m_strText = "\xCB\xD1\xCB\xF7 ab";
    dlg.m_nPos = 0;
    dlg.onInit = [](CTestDlg& d) {
        EXPECT_EQ(d.m_link.preSubclassCalls, 1);
        EXPECT_TRUE(d.m_link.boundDuringHook);
        EXPECT_EQ(CWin::FromHandle(d.GetItem(kLink)), &d.m_link);
        EXPECT_EQ(CWin::FromHandle(d.GetItem(kList)), &d.m_list);

        char shown[64] = {};
        ::GetWindowTextA(d.GetItem(kEdit), shown, sizeof shown);
        EXPECT_STREQ(shown, "\xCB\xD1\xCB\xF7 ab");

        d.m_nPos = 77;
        d.m_strText = "second";
        d.WriteControls();
        EXPECT_EQ(d.m_slider.Send(TBM_GETPOS), 77);
        ::GetWindowTextA(d.GetItem(kEdit), shown, sizeof shown);
        EXPECT_STREQ(shown, "second");

        ::SetWindowTextA(d.GetItem(kEdit), "typed \xB0\xA1");
        d.m_slider.SetPos(200);
        d.ReadControls();
        EXPECT_EQ(d.m_strText, "typed \xB0\xA1");
        EXPECT_EQ(d.m_nPos, 200);
        EXPECT_EQ(d.m_link.preSubclassCalls, 1);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    // The window is gone and the objects are free again.
    EXPECT_EQ(dlg.m_link.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST_F(DialogTest, EnterEscapeAndCloseReachOkAndCancel) {
    struct Case {
        UINT message;
        WPARAM key;
        INT_PTR result;
        int ok, cancel;
    } cases[] = {
        {WM_KEYDOWN, VK_RETURN, IDOK, 1, 0},
        {WM_KEYDOWN, VK_ESCAPE, IDCANCEL, 0, 1},
        {WM_CLOSE, 0, IDCANCEL, 0, 1},
    };
    for (const Case& c : cases) {
        CTestDlg dlg;
        dlg.onInit = [&c](CTestDlg& d) {
            HWND target = c.message == WM_CLOSE ? d.m_hWnd : d.GetItem(kEdit);
            ::PostMessageW(target, c.message, c.key, 0);
        };
        EXPECT_EQ(dlg.DoModal(), c.result) << c.key;
        EXPECT_EQ(dlg.okCalls, c.ok) << c.key;
        EXPECT_EQ(dlg.cancelCalls, c.cancel) << c.key;
    }
}

TEST_F(DialogTest, EndingFromASentMessageWakesTheLoop) {
    CTestDlg dlg;
    std::atomic<HWND> window{nullptr};
    dlg.onInit = [&window](CTestDlg& d) { window = d.m_hWnd; };
    std::thread outsider([&window] {
        for (int i = 0; i < 500 && !window; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        // WM_CLOSE sent from another thread arrives inside GetMessage of the modal loop.
        ::SendMessageW(window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    outsider.join();
}

TEST_F(DialogTest, NotificationsAndColourRequestsAreReflectedToTheBoundControl) {
    CTestDlg dlg;
    dlg.onInit = [](CTestDlg& d) {
        HWND link = d.GetItem(kLink);
        HDC dc = ::GetDC(link);
        LRESULT brush = ::SendMessageW(d.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(link));
        ::ReleaseDC(link, dc);
        EXPECT_EQ(brush, reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)));
        EXPECT_EQ(d.m_link.colourRequests, 1);

        ::SendMessageW(d.m_hWnd, WM_COMMAND, CTestDlg::Notify(kLink, STN_CLICKED),
                       reinterpret_cast<LPARAM>(link));
        EXPECT_EQ(d.m_link.clicks, 1);
        EXPECT_EQ(d.linkCommandsSeenByDialog, 0);

        // A notification the control does not answer goes on to the dialog.
        ::SendMessageW(d.m_hWnd, WM_COMMAND, CTestDlg::Notify(kLink, STN_DBLCLK),
                       reinterpret_cast<LPARAM>(link));
        EXPECT_EQ(d.linkCommandsSeenByDialog, 1);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(DialogTest, BoundControlsSeeQueuedMessagesBeforeDispatch) {
    CTestDlg dlg;
    dlg.onInit = [](CTestDlg& d) {
        ::PostMessageW(d.GetItem(kLink), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        ::PostMessageW(d.m_hWnd, kRunAction, 0, 0);
    };
    dlg.onAction = [](CTestDlg& d) { d.EndDialog(IDOK); };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_link.mouseMovesSeen, 1);
}

TEST_F(DialogTest, UnownedDialogIsCentredInTheWorkArea) {
    CTestDlg dlg;
    RECT placed{};
    bool visible = false;
    dlg.onInit = [](CTestDlg& d) { ::PostMessageW(d.m_hWnd, kRunAction, 0, 0); };
    dlg.onAction = [&](CTestDlg& d) {
        ::GetWindowRect(d.m_hWnd, &placed);
        visible = ::IsWindowVisible(d.m_hWnd) != FALSE;
        d.EndDialog(IDOK);
    };
    dlg.DoModal();
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(visible);
    EXPECT_NEAR((placed.left + placed.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((placed.top + placed.bottom) / 2, (work.top + work.bottom) / 2, 1);
}

TEST_F(DialogTest, DialogMovedByItsInitialisationStaysWhereItWasPut) {
    CTestDlg dlg;
    RECT placed{};
    dlg.onInit = [](CTestDlg& d) {
        ::SetWindowPos(d.m_hWnd, nullptr, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ::PostMessageW(d.m_hWnd, kRunAction, 0, 0);
    };
    dlg.onAction = [&](CTestDlg& d) {
        ::GetWindowRect(d.m_hWnd, &placed);
        d.EndDialog(IDOK);
    };
    dlg.DoModal();
    EXPECT_EQ(placed.left, 7);
    EXPECT_EQ(placed.top, 9);
}

TEST_F(DialogTest, DialogOpenedFromADialogIsOwnedByItAndDisablesIt) {
    CTestDlg outer;
    HWND innerOwner = nullptr;
    HWND outerWindow = nullptr;
    bool outerEnabledDuringInner = true;
    HWND ownerOfDefaultDuringInner = nullptr;
    bool outerEnabledAfter = false;
    outer.onInit = [](CTestDlg& d) { ::PostMessageW(d.m_hWnd, kRunAction, 0, 0); };
    outer.onAction = [&](CTestDlg& o) {
        outerWindow = o.m_hWnd;
        CTestDlg inner;
        inner.onInit = [&](CTestDlg& i) {
            innerOwner = ::GetWindow(i.m_hWnd, GW_OWNER);
            ownerOfDefaultDuringInner = OwnerOrActiveModal(nullptr);
            ::PostMessageW(i.m_hWnd, kRunAction, 0, 0);
        };
        inner.onAction = [&](CTestDlg& i) {
            outerEnabledDuringInner = ::IsWindowEnabled(o.m_hWnd) != FALSE;
            EXPECT_EQ(ownerOfDefaultDuringInner, i.m_hWnd);
            i.EndDialog(IDCANCEL);
        };
        EXPECT_EQ(inner.DoModal(), IDCANCEL);
        outerEnabledAfter = ::IsWindowEnabled(o.m_hWnd) != FALSE;
        EXPECT_EQ(OwnerOrActiveModal(nullptr), o.m_hWnd);
        o.EndDialog(IDOK);
    };
    EXPECT_EQ(outer.DoModal(), IDOK);
    EXPECT_NE(outerWindow, nullptr);
    EXPECT_EQ(innerOwner, outerWindow);
    EXPECT_FALSE(outerEnabledDuringInner);
    EXPECT_TRUE(outerEnabledAfter);
    EXPECT_EQ(OwnerOrActiveModal(nullptr), nullptr);
}

TEST_F(DialogTest, AHandlerThatThrowsDoesNotTakeTheDialogDown) {
    CTestDlg dlg;
    dlg.onInit = [](CTestDlg& d) {
        EXPECT_EQ(::SendMessageW(d.m_hWnd, kThrow, 0, 0), 0);
        ::PostMessageW(d.m_hWnd, kThrow, 0, 0);
        ::PostMessageW(d.m_hWnd, kRunAction, 0, 0);
    };
    dlg.onAction = [](CTestDlg& d) { d.EndDialog(IDOK); };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

// What this process writes to the debugger's output while the object lives.
class DebugOutput {
public:
    DebugOutput() : m_handler(::AddVectoredExceptionHandler(1, &Record)) { s_text.clear(); }
    ~DebugOutput() { ::RemoveVectoredExceptionHandler(m_handler); }
    DebugOutput(const DebugOutput&) = delete;
    DebugOutput& operator=(const DebugOutput&) = delete;
    std::string Text() const { return s_text; }

private:
    // Every output, wide or not, also comes as the ANSI text's exception.
    static LONG CALLBACK Record(EXCEPTION_POINTERS* pointers) {
        const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
        if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2)
            s_text += reinterpret_cast<const char*>(record.ExceptionInformation[1]);
        return EXCEPTION_CONTINUE_SEARCH;
    }
    static inline std::string s_text;
    void* m_handler;
};

class CThrowingApp : public CApp {
    bool Init() override { throw std::runtime_error("start-up failure"); }
};

TEST_F(DialogTest, ExceptionsStoppedByTheFrameworkAreWrittenToTheDebugOutput) {
    const struct {
        const char* where;
        std::function<void()> run;
        const char* expected;
    } cases[] = {
        {"dialog handler",
         [] {
             CTestDlg dlg;
             dlg.onInit = [](CTestDlg& d) {
                 ::SendMessageW(d.m_hWnd, kThrow, 0, 0);
                 d.EndDialog(IDOK);
             };
             EXPECT_EQ(dlg.DoModal(), IDOK);
         },
         "ui_tests: an exception was dropped in a dialog procedure (message 0x8001): "
         "handler failure\n"},
        {"control handler",
         [] {
             CTestDlg dlg;
             dlg.onInit = [](CTestDlg& d) {
                 // The control's own procedure still answers the message.
                 EXPECT_EQ(::SendMessageW(d.GetItem(kLink), kThrowInControl, 0, 0), 0);
                 EXPECT_EQ(CWin::FromHandle(d.GetItem(kLink)), &d.m_link);
                 d.EndDialog(IDOK);
             };
             EXPECT_EQ(dlg.DoModal(), IDOK);
         },
         "ui_tests: an exception was dropped in a window procedure (message 0x8002): "
         "not a std::exception\n"},
        {"application's initialisation",
         [] {
             CThrowingApp app;
             EXPECT_EQ(app.Start(::GetModuleHandleW(nullptr)), 1);
         },
         "ui_tests: an exception was dropped in the application's initialisation: "
         "start-up failure\n"},
    };
    for (const auto& c : cases) {
        DebugOutput output;
        c.run();
        EXPECT_EQ(output.Text(), c.expected) << c.where;
    }
}

TEST_F(DialogTest, MessageBoxIsCaptionedWithTheProgramNameAndOwnedByTheRunningDialog) {
    CTestDlg dlg;
    std::wstring caption, text;
    HWND owner = nullptr;
    HWND dialogWindow = nullptr;
    std::atomic<DWORD> thread{::GetCurrentThreadId()};
    dlg.onInit = [](CTestDlg& d) { ::PostMessageW(d.m_hWnd, kRunAction, 0, 0); };
    dlg.onAction = [&](CTestDlg& d) {
        dialogWindow = d.m_hWnd;
        std::thread answerer([&] {
            for (int i = 0; i < 500; ++i) {
                HWND box = nullptr;
                ::EnumThreadWindows(
                    thread,
                    [](HWND h, LPARAM found) {
                        if (::GetDlgItem(h, 0xFFFF) && ::IsWindowVisible(h)) {
                            *reinterpret_cast<HWND*>(found) = h;
                            return FALSE;
                        }
                        return TRUE;
                    },
                    reinterpret_cast<LPARAM>(&box));
                if (box) {
                    wchar_t buffer[256] = {};
                    ::GetWindowTextW(box, buffer, 256);
                    caption = buffer;
                    ::GetDlgItemTextW(box, 0xFFFF, buffer, 256);
                    text = buffer;
                    owner = ::GetWindow(box, GW_OWNER);
                    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        ShowMessageBox(nullptr, "该文件不存在！");
        answerer.join();
        d.EndDialog(IDOK);
    };
    dlg.DoModal();
    EXPECT_EQ(caption, L"ui_tests");
    EXPECT_EQ(text, L"该文件不存在！");
    EXPECT_NE(dialogWindow, nullptr);
    EXPECT_EQ(owner, dialogWindow);
}

} // namespace
} // namespace vorna
