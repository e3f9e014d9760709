#include "ui/controls/LinkCommand.h"

#include "knowledge/Search.h"

#include <cstdio>
#include <cstring>

namespace vorna {

long TakeRegValue(long queryResult, const char* value, std::size_t valueBytes, char* out,
                  std::size_t outBytes) {
    if (outBytes == 0) {
        return kRegMoreData;
    }
    out[0] = '\0';
    if (queryResult != kRegSuccess) {
        return queryResult;
    }
    // A size beyond the query buffer means the value was not (wholly) written to it.
    if (valueBytes > kRegValueBytes) {
        return kRegMoreData;
    }
    if (valueBytes == 0) {
        return kRegFileNotFound;
    }
    // The stored value need not carry its terminating zero; never look past what was written.
    const void* zero = std::memchr(value, '\0', valueBytes);
    const std::size_t length =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - value) : valueBytes;
    if (length == 0) {
        return kRegFileNotFound;
    }
    if (length >= outBytes) {
        return kRegMoreData;
    }
    std::memcpy(out, value, length);
    out[length] = '\0';
    return kRegSuccess;
}

std::optional<std::string> MakeOpenCommand(std::string_view registryCommand,
                                           std::string_view address, const LeadBytes& lead,
                                           std::size_t capacity) {
    std::size_t cut = FindKeyword(registryCommand, "\"%1\"", lead);
    if (cut == std::string_view::npos) {
        cut = registryCommand.find("%1");
    }
    const std::string_view kept = registryCommand.substr(0, cut);
    const std::size_t length = kept.size() + 1 + address.size();
    if (length >= capacity) {
        return std::nullopt;
    }
    std::string line;
    line.reserve(length);
    line.append(kept);
    line += ' ';
    line.append(address);
    return line;
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
