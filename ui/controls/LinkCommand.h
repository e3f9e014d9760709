#pragma once
// The window-free pieces of the hyperlink control and its link opener: the fallback open
// command, the copy of a registry value out of its fixed buffer, the open-error message, the
// fit-to-text rectangle and the hover rule. Portable C++ without platform headers, so they
// are tested natively as well as in the Windows build.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorna {

class LeadBytes;

// The opener's fixed buffers, terminating zero included: a registry value is queried into
// kRegValueBytes, the fallback command line is built within kCommandBytes.
inline constexpr std::size_t kRegValueBytes = 260;
inline constexpr std::size_t kCommandBytes = 2 * kRegValueBytes;

// The result code of an open that was refused because the registry's open command, a blank
// and the address would not fit into kCommandBytes. It is at most 32, so the caller takes it
// as a failure like the shell's and the program loader's own codes (ERROR_BAD_LENGTH).
inline constexpr int kOpenCommandTooLong = 24;

// Registry results used by the value copy (the platform's ERROR_ codes).
inline constexpr long kRegSuccess = 0;
inline constexpr long kRegFileNotFound = 2;
inline constexpr long kRegMoreData = 234;

// Copies the default value that a registry query wrote into its kRegValueBytes buffer to out
// (outBytes large) as a zero-terminated string. queryResult and valueBytes are what the query
// reported; value is read only when the query succeeded, and never beyond valueBytes or
// kRegValueBytes. Returns kRegSuccess, or the reason nothing usable was read: the query's own
// error, kRegMoreData for a value that does not fit, kRegFileNotFound for an empty one. On
// failure out holds the empty string (when it has room for one).
long TakeRegValue(long queryResult, const char* value, std::size_t valueBytes, char* out,
                  std::size_t outBytes);

// The fallback's command line: the registry's open command cut where its address placeholder
// starts, then one blank and the address. The placeholder is first the quoted "%1", found only
// at a character boundary of the code page described by lead, then the bare "%1", found
// anywhere; without either the whole command is kept. Empty when the line and its
// terminating zero would not fit into capacity bytes.
std::optional<std::string> MakeOpenCommand(std::string_view registryCommand,
                                           std::string_view address, const LeadBytes& lead,
                                           std::size_t capacity = kCommandBytes);

// The message that reports a failed open: "Unable to open hyperlink:\n\n" and the text of the
// result code, or "Unknown Error (<code>) occurred." for a code without a text of its own.
std::string OpenErrorMessage(int code);

// A rectangle in integer coordinates; right and bottom lie just outside.
struct LinkRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const LinkRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// Alignment bits of a static control's style that decide where a fitted control stays.
inline constexpr std::uint32_t kStaticCenter = 0x0001;
inline constexpr std::uint32_t kStaticRight = 0x0002;
inline constexpr std::uint32_t kStaticCenterImage = 0x0200;

// The window rectangle that fits a text of textWidth x textHeight: a centred control keeps
// its centre, a right-aligned one its right edge, others their left edge; vertically it keeps
// its centre with kStaticCenterImage, else its top edge. Halves truncate toward zero, so a
// centred control grows on both sides when the text is the larger.
LinkRect FitRectToText(LinkRect window, std::uint32_t style, int textWidth, int textHeight);

// The platform's point-in-rectangle rule: left and top edges inside, right and bottom outside.
bool IsPointInRect(const LinkRect& rect, int x, int y);

// What a mouse move does to the hover state: the first move marks entry; with the hover state
// held (and the capture with it), a move outside the client rectangle marks leaving.
enum class HoverChange { none, enter, leave };
HoverChange NextHover(bool mouseOver, const LinkRect& client, int x, int y);

} // namespace vorna
