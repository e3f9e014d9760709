// The dialog templates, icon and strings as the program's resources hold them: the controls
// other code and the users rely on (ids, classes, texts, places, styles) are checked
// against their tables.
#include "Maker.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Control {
    std::uint32_t id;
    std::wstring cls;
    std::wstring text;
    short x, y, cx, cy;
    std::uint32_t style;
    std::uint32_t exStyle;
};

struct Template {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu, cls, title;
    std::uint16_t pointSize = 0, weight = 0;
    std::uint8_t italic = 0, charset = 0;
    std::wstring face;
    std::vector<Control> controls;
};

class Reader {
public:
    explicit Reader(const std::uint8_t* p) : m_base(p), m_p(p) {}
    template <class T> T Get() {
        T value;
        std::memcpy(&value, m_p, sizeof value);
        m_p += sizeof value;
        return value;
    }
    // A string, or an ordinal written as 0xFFFF and its number (rendered as "#n").
    std::wstring SzOrOrdinal() {
        std::uint16_t first = Get<std::uint16_t>();
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Get<std::uint16_t>());
        std::wstring s;
        for (std::uint16_t c = first; c != 0; c = Get<std::uint16_t>())
            s += static_cast<wchar_t>(c);
        return s;
    }
    void AlignDword() {
        std::size_t offset = static_cast<std::size_t>(m_p - m_base);
        m_p += (4 - offset % 4) % 4;
    }
    void Skip(std::size_t n) { m_p += n; }

private:
    const std::uint8_t* m_base;
    const std::uint8_t* m_p;
};

const std::uint8_t* LoadResourceBytes(LPCWSTR type, UINT id) {
    HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), type);
    if (!found)
        return nullptr;
    return static_cast<const std::uint8_t*>(::LockResource(::LoadResource(nullptr, found)));
}

bool ReadTemplate(UINT id, Template& t) {
    const std::uint8_t* bytes = LoadResourceBytes(MAKEINTRESOURCEW(5), id);
    if (!bytes)
        return false;
    Reader r(bytes);
    if (r.Get<std::uint16_t>() != 1 || r.Get<std::uint16_t>() != 0xFFFF)
        return false; // not an extended template
    r.Get<std::uint32_t>();
    t.exStyle = r.Get<std::uint32_t>();
    t.style = r.Get<std::uint32_t>();
    std::uint16_t count = r.Get<std::uint16_t>();
    t.x = r.Get<short>();
    t.y = r.Get<short>();
    t.cx = r.Get<short>();
    t.cy = r.Get<short>();
    t.menu = r.SzOrOrdinal();
    t.cls = r.SzOrOrdinal();
    t.title = r.SzOrOrdinal();
    t.pointSize = r.Get<std::uint16_t>();
    t.weight = r.Get<std::uint16_t>();
    t.italic = r.Get<std::uint8_t>();
    t.charset = r.Get<std::uint8_t>();
    t.face = r.SzOrOrdinal();
    for (int i = 0; i < count; ++i) {
        r.AlignDword();
        Control c;
        r.Get<std::uint32_t>();
        c.exStyle = r.Get<std::uint32_t>();
        c.style = r.Get<std::uint32_t>();
        c.x = r.Get<short>();
        c.y = r.Get<short>();
        c.cx = r.Get<short>();
        c.cy = r.Get<short>();
        c.id = r.Get<std::uint32_t>();
        c.cls = r.SzOrOrdinal();
        c.text = r.SzOrOrdinal();
        r.Skip(r.Get<std::uint16_t>());
        t.controls.push_back(c);
    }
    return true;
}

// Predefined classes may be stored by name or by ordinal; both make the same control.
std::wstring ClassName(const std::wstring& stored) {
    static const struct {
        const wchar_t* ordinal;
        const wchar_t* name;
    } known[] = {
        {L"#128", L"button"}, {L"#129", L"edit"}, {L"#130", L"static"}, {L"#131", L"listbox"}};
    for (const auto& k : known) {
        if (stored == k.ordinal)
            return k.name;
    }
    std::wstring lower = stored;
    for (wchar_t& ch : lower)
        ch = static_cast<wchar_t>(towlower(ch));
    return lower;
}

constexpr std::uint32_t kNoId = 0xFFFFFFFFu;

void ExpectControls(const Template& t, const std::vector<Control>& expected) {
    ASSERT_EQ(t.controls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Control& got = t.controls[i];
        const Control& want = expected[i];
        SCOPED_TRACE("control #" + std::to_string(i + 1) + " id " + std::to_string(want.id));
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(ClassName(got.cls), want.cls);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        EXPECT_EQ(got.style, want.style);
        EXPECT_EQ(got.exStyle, want.exStyle);
    }
}

void ExpectSongTi9(const Template& t) {
    EXPECT_EQ(t.face, L"宋体");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.weight, 0);
    EXPECT_EQ(t.italic, 0);
    EXPECT_EQ(t.charset, 1);
    EXPECT_EQ(t.menu, L"");
    EXPECT_EQ(t.cls, L"");
}

TEST(Resources, MainDialogTemplate) {
    Template t;
    ASSERT_TRUE(ReadTemplate(IDD_VORNA_DIALOG, t));
    EXPECT_EQ(t.style, 0x90000040u);
    EXPECT_EQ(t.exStyle, 0x00040000u);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, 501);
    EXPECT_EQ(t.cy, 286);
    EXPECT_EQ(t.title, L"");
    ExpectSongTi9(t);
    ExpectControls(
        t, {
               {1014, L"button", L"搜索", 255, 5, 235, 40, 0x50000007, 0},
               {1000, L"edit", L"", 325, 20, 155, 14, 0x50810080, 0},
               {1001, L"button", L"搜索", 265, 20, 50, 14, 0x50010000, 0},
               {1015, L"button", L"匹配信息", 255, 50, 235, 170, 0x50000007, 0},
               {1002, L"listbox", L"", 265, 65, 215, 145, 0x50a00101, 0},
               {kNoId, L"button", L"结果", 10, 5, 235, 245, 0x50000007, 0},
               {1003, L"edit", L"", 20, 20, 215, 95, 0x50a00844, 0},
               {1004, L"edit", L"", 20, 125, 215, 115, 0x50a10844, 0},
               {1005, L"button", L"添加...", 265, 260, 50, 14, 0x50010000, 0},
               {1006, L"button", L"加载...", 265, 240, 50, 14, 0x50010000, 0},
               {1012, L"msctls_hotkey32", L"HotKey1", 450, 235, 38, 14, 0x40800000, 0},
               {1013, L"msctls_trackbar32", L"Slider1", 10, 260, 235, 20, 0x50000015, 0x00020000},
               {kNoId, L"button", L"操作", 255, 225, 235, 55, 0x50000007, 0},
               {1016, L"button", L"隐藏", 325, 260, 50, 14, 0x50010000, 0},
               {1017, L"button", L"关于...", 325, 240, 50, 14, 0x50010000, 0},
           });
}

TEST(Resources, AboutDialogTemplate) {
    Template t;
    ASSERT_TRUE(ReadTemplate(IDD_ABOUTBOX, t));
    EXPECT_EQ(t.style, 0x80C800C0u);
    EXPECT_EQ(t.cx, 267);
    EXPECT_EQ(t.cy, 96);
    EXPECT_EQ(t.title, L"关于\"Lirel\" ");
    ExpectSongTi9(t);
    ExpectControls(t, {
                          {1, L"button", L"确定", 210, 10, 50, 14, 0x50030001, 0},
                          {kNoId, L"static", L"网站:", 10, 35, 21, 8, 0x50020000, 0},
                          {1018, L"static", L"" VORNA_MAKER_URL, 35, 35, 73, 8, 0x50020000, 0},
                          {kNoId, L"static", L"作者:", 10, 15, 21, 8, 0x50020000, 0},
                          {kNoId, L"static", L"" VORNA_MAKER_NAME, 35, 15, 21, 8, 0x50020000, 0},
                          {kNoId, L"static", L"敬告:", 10, 55, 21, 8, 0x50020000, 0},
                          {kNoId, L"static",
                           L"请勿将本程序用于任何非法用途，否则引起的任何后果和责任与作者完全无关.",
                           35, 55, 160, 25, 0x50020000, 0},
                          {kNoId, L"button", L"", 5, 5, 200, 85, 0x50000007, 0},
                      });
}

TEST(Resources, AddDialogTemplate) {
    Template t;
    ASSERT_TRUE(ReadTemplate(IDD_ADD_DIALOG, t));
    EXPECT_EQ(t.style, 0x80C800C0u);
    EXPECT_EQ(t.cx, 302);
    EXPECT_EQ(t.cy, 196);
    EXPECT_EQ(t.title, L"添加");
    ExpectSongTi9(t);
    ExpectControls(t, {
                          {1009, L"button", L"保存", 245, 10, 50, 14, 0x50000001, 0},
                          {2, L"button", L"完成", 245, 35, 50, 14, 0x50010000, 0},
                          {1007, L"edit", L"", 55, 10, 120, 14, 0x50810880, 0},
                          {kNoId, L"static", L"保存文件:", 10, 15, 37, 8, 0x50020000, 0},
                          {1008, L"button", L"选择", 185, 10, 50, 14, 0x50010000, 0},
                          {kNoId, L"button", L"内容", 10, 30, 225, 160, 0x50000007, 0},
                          {kNoId, L"static", L"问题:", 20, 50, 21, 8, 0x50020000, 0},
                          {1003, L"edit", L"", 45, 50, 180, 70, 0x50a10044, 0},
                          {kNoId, L"static", L"回答:", 20, 130, 21, 8, 0x50020000, 0},
                          {1004, L"edit", L"", 45, 130, 180, 50, 0x50a10044, 0},
                      });
}

TEST(Resources, IconHasA32And16PixelImageOf16Colours) {
    const std::uint8_t* group = LoadResourceBytes(MAKEINTRESOURCEW(14), IDR_MAINFRAME);
    ASSERT_NE(group, nullptr);
    Reader r(group);
    r.Get<std::uint16_t>();
    EXPECT_EQ(r.Get<std::uint16_t>(), 1); // icons
    std::uint16_t count = r.Get<std::uint16_t>();
    ASSERT_EQ(count, 2);
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        std::uint8_t width = r.Get<std::uint8_t>();
        std::uint8_t height = r.Get<std::uint8_t>();
        std::uint8_t colours = r.Get<std::uint8_t>();
        r.Get<std::uint8_t>();
        r.Get<std::uint16_t>();
        std::uint16_t bits = r.Get<std::uint16_t>();
        r.Get<std::uint32_t>();
        std::uint16_t imageId = r.Get<std::uint16_t>();
        EXPECT_EQ(width, height);
        EXPECT_EQ(colours, 16);
        EXPECT_EQ(bits, 4);
        sizes.push_back(width);
        // The image itself is a 4-bit DIB of that size.
        const std::uint8_t* image = LoadResourceBytes(MAKEINTRESOURCEW(3), imageId);
        ASSERT_NE(image, nullptr);
        BITMAPINFOHEADER header;
        std::memcpy(&header, image, sizeof header);
        EXPECT_EQ(header.biWidth, width);
        EXPECT_EQ(header.biBitCount, 4);
    }
    EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
    EXPECT_NE(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)), nullptr);
}

TEST(Resources, AboutMenuString) {
    wchar_t text[64] = {};
    ASSERT_GT(::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUTBOX, text, 64), 0);
    EXPECT_STREQ(text, L"关于 Vorna(&A)...");
}

} // namespace
