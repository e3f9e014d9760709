#include "ui/controls/LinkCommand.h"

#include <cstdio>
#include <utility>

namespace vorna {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// Where an unquoted program path ends: after the first ".exe" that a blank or the end follows
// (a path may hold blanks), else at the first blank.
std::size_t EndOfUnquotedProgram(std::wstring_view command) {
    constexpr std::wstring_view kExe = L".exe";
    for (std::size_t i = 0; i + kExe.size() <= command.size(); ++i) {
        std::size_t k = 0;
        while (k < kExe.size() && Lower(command[i + k]) == kExe[k]) {
            ++k;
        }
        const std::size_t end = i + kExe.size();
        if (k == kExe.size() && (end == command.size() || IsBlank(command[end]))) {
            return end;
        }
    }
    std::size_t end = 0;
    while (end < command.size() && !IsBlank(command[end])) {
        ++end;
    }
    return end;
}

bool IsAddressPlaceholder(std::wstring_view text, std::size_t at) {
    return text[at] == L'%' && at + 1 < text.size() &&
           (text[at + 1] == L'1' || text[at + 1] == L'L' || text[at + 1] == L'l');
}

} // namespace

OpenCommand MakeOpenCommand(std::wstring_view registryCommand, std::wstring_view address,
                            std::size_t capacity) {
    std::wstring_view command = registryCommand;
    while (!command.empty() && IsBlank(command.front())) {
        command.remove_prefix(1);
    }
    std::wstring_view program;
    std::wstring_view arguments;
    if (!command.empty() && command.front() == L'"') {
        const std::size_t close = command.find(L'"', 1);
        program = command.substr(1, close == std::wstring_view::npos ? close : close - 1);
        arguments =
            close == std::wstring_view::npos ? std::wstring_view() : command.substr(close + 1);
    } else {
        const std::size_t end = EndOfUnquotedProgram(command);
        program = command.substr(0, end);
        arguments = command.substr(end);
    }
    OpenCommand result;
    if (program.empty()) {
        return result;
    }

    std::wstring line = L"\"";
    line.append(program);
    line += L'"';
    bool placed = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (IsAddressPlaceholder(arguments, i)) {
            line.append(address);
            placed = true;
            ++i;
        } else {
            line += arguments[i];
        }
    }
    if (!placed) {
        line += L' ';
        line.append(address);
    }
    if (line.size() >= capacity) {
        result.status = OpenCommand::Status::tooLong;
        return result;
    }
    result.status = OpenCommand::Status::ok;
    result.line = std::move(line);
    return result;
}

int OpenResultFromError(unsigned long error) {
    switch (error) {
    case 2: // ERROR_FILE_NOT_FOUND
        return 2;
    case 3:   // ERROR_PATH_NOT_FOUND
    case 123: // ERROR_INVALID_NAME
        return 3;
    case 5:   // ERROR_ACCESS_DENIED
    case 740: // ERROR_ELEVATION_REQUIRED
        return 5;
    case 8:  // ERROR_NOT_ENOUGH_MEMORY
    case 14: // ERROR_OUTOFMEMORY
        return 8;
    case 32: // ERROR_SHARING_VIOLATION
        return 26;
    case 126:  // ERROR_MOD_NOT_FOUND
    case 1157: // ERROR_DLL_NOT_FOUND
        return 32;
    default: // ERROR_BAD_FORMAT, ERROR_BAD_EXE_FORMAT and all the rest
        return 11;
    }
}

namespace {

const char* OpenErrorText(int code) {
    switch (code) {
    case 0:
        return "The operating system is out\nof memory or resources.";
    case 2:
        return "The specified file was not found.";
    case 3:
        return "The specified path was not found.";
    case 5:
        return "The operating system denied\naccess to the specified file.";
    case 8:
        return "There was not enough memory to complete the operation.";
    case 11:
        return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case kOpenCommandTooLong:
        return "The command line for opening web pages\nwould be too long with this address.";
    case 26:
        return "A sharing violation occurred. ";
    case 27:
        return "The filename association is\nincomplete or invalid.";
    case 28:
        return "The DDE transaction could not\nbe completed because the request timed out.";
    case 29:
        return "The DDE transaction failed.";
    case 30:
        return "The DDE transaction could not\nbe completed because other DDE "
               "transactions\nwere being processed.";
    case 31:
        return "There is no application associated\nwith the given filename extension.";
    case 32:
        return "The specified dynamic-link library was not found.";
    default:
        return nullptr;
    }
}

} // namespace

std::string OpenErrorMessage(int code) {
    std::string message = "Unable to open hyperlink:\n\n";
    if (const char* text = OpenErrorText(code)) {
        message += text;
    } else {
        char unknown[48];
        std::snprintf(unknown, sizeof unknown, "Unknown Error (%d) occurred.", code);
        message += unknown;
    }
    return message;
}

LinkRect FitRectToText(LinkRect window, std::uint32_t style, int textWidth, int textHeight) {
    LinkRect r = window;
    if (style & kStaticCenterImage) {
        const int shrink = (r.bottom - r.top - textHeight) / 2;
        r.top += shrink;
        r.bottom -= shrink;
    } else {
        r.bottom = r.top + textHeight;
    }
    if (style & kStaticCenter) {
        const int shrink = (r.right - r.left - textWidth) / 2;
        r.left += shrink;
        r.right -= shrink;
    } else if (style & kStaticRight) {
        r.left = r.right - textWidth;
    } else {
        r.right = r.left + textWidth;
    }
    return r;
}

bool IsPointInRect(const LinkRect& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

HoverChange NextHover(bool mouseOver, const LinkRect& client, int x, int y) {
    if (!mouseOver) {
        return HoverChange::enter;
    }
    return IsPointInRect(client, x, y) ? HoverChange::none : HoverChange::leave;
}

} // namespace vorna
