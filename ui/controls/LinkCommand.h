#pragma once
// The window-free pieces of the hyperlink control and its link opener: the fallback command
// line, the copy of a registry value out of its fixed buffer, the result code of a failed
// start, the open-error message, the fit-to-text rectangle and the hover rule. Portable C++
// without platform headers, so they are tested natively as well as in the Windows build.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorna {

// The opener's fixed buffers in characters (UTF-16 units in the Windows build), terminating
// zero included: a registry value is queried into kRegValueChars, the fallback command line
// (the registry's command expanded, with the address) must fit kCommandChars.
inline constexpr std::size_t kRegValueChars = 260;
inline constexpr std::size_t kCommandChars = 2 * kRegValueChars;

// The result code of an open that was refused because the registry's open command with the
// address would not fit into kCommandChars. It is at most 32, so the caller takes it as a
// failure like the shell's and the program loader's own codes (ERROR_BAD_LENGTH).
inline constexpr int kOpenCommandTooLong = 24;

// The result code of a fallback command that was started: above 32, like the shell's success.
inline constexpr int kOpenStarted = 33;

// Registry results used by the value copy (the platform's ERROR_ codes).
inline constexpr long kRegSuccess = 0;
inline constexpr long kRegFileNotFound = 2;
inline constexpr long kRegMoreData = 234;

// Copies the default value that a registry query wrote into its kRegValueChars buffer to out
// (outChars large) as a zero-terminated string. queryResult and valueChars are what the query
// reported; value is read only when the query succeeded, and never beyond valueChars or
// kRegValueChars. Returns kRegSuccess, or the reason nothing usable was read: the query's own
// error, kRegMoreData for a value that does not fit, kRegFileNotFound for an empty one. On
// failure out holds the empty string (when it has room for one).
template <class Char>
long TakeRegValue(long queryResult, const Char* value, std::size_t valueChars, Char* out,
                  std::size_t outChars) {
    if (outChars == 0) {
        return kRegMoreData;
    }
    out[0] = Char();
    if (queryResult != kRegSuccess) {
        return queryResult;
    }
    // A size beyond the query buffer means the value was not (wholly) written to it.
    if (valueChars > kRegValueChars) {
        return kRegMoreData;
    }
    if (valueChars == 0) {
        return kRegFileNotFound;
    }
    // The stored value need not carry its terminating zero; never look past what was written.
    const std::size_t length =
        static_cast<std::size_t>(std::find(value, value + valueChars, Char()) - value);
    if (length == 0) {
        return kRegFileNotFound;
    }
    if (length >= outChars) {
        return kRegMoreData;
    }
    std::copy(value, value + length, out);
    out[length] = Char();
    return kRegSuccess;
}

// The fallback's command line, made from the registry's open command (environment variables
// already expanded) and the address:
// - the program path comes first and quoted, so no shorter path that happens to exist is run
//   in its place. Unquoted in the registry, it ends after the first ".exe" that a blank or the
//   end follows, else at the first blank;
// - every "%1" (or "%L", the long name) of the arguments becomes the address, quoted or not as
//   the command has it, and the arguments around it stay; without one the address follows
//   the command after a blank.
struct OpenCommand {
    enum class Status { ok, noProgram, tooLong };
    Status status = Status::noProgram;
    std::wstring line;
};
// tooLong when the line and its terminating zero would not fit into capacity characters.
OpenCommand MakeOpenCommand(std::wstring_view registryCommand, std::wstring_view address,
                            std::size_t capacity = kCommandChars);

// The result code for a fallback command that could not be started, from the platform's
// error: codes of the open-error table where one says the same (2 and 3 not found, 5 access
// denied, 8 out of memory, 11 not a program, 26 sharing violation, 32 a library missing),
// and 11 for every other error, as the program loader's own WinExec answers. Always at most 32.
int OpenResultFromError(unsigned long error);

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
