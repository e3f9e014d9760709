#pragma once
// Where the window comes back: the place it was left at, while that is still on a screen.
#include <optional>
#include <vector>

namespace vorna {

// The window's top-left corner in screen pixels and the slider's position, as the program
// left them.
struct Placement {
    struct Corner {
        int left = 0;
        int top = 0;
    };
    std::optional<Corner> corner;
    std::optional<int> alpha; // within the slider's range 10..255
};

// A rectangle in screen pixels, right and bottom outside it.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// How much of the window must lie on one screen for it to be found and dragged back: a square
// of this many pixels (the whole window when it is smaller).
inline constexpr int kReachablePixels = 48;

// Whether a window of width x height with its top-left at corner shows at least that much on
// one of the work areas. A screen that was unplugged or moved since leaves a corner that is
// on none: the window is then centred as a user who changes nothing gets it.
bool IsReachable(const Placement::Corner& corner, int width, int height,
                 const std::vector<ScreenRect>& workAreas);

} // namespace vorna
