#include "ui/options/Placement.h"

#include <algorithm>

namespace vorna {

bool IsReachable(const Placement::Corner& corner, int width, int height,
                 const std::vector<ScreenRect>& workAreas) {
    using Wide = long long;
    const Wide needX = std::min(width, kReachablePixels);
    const Wide needY = std::min(height, kReachablePixels);
    const Wide left = corner.left;
    const Wide top = corner.top;
    for (const ScreenRect& area : workAreas) {
        const Wide x = std::min<Wide>(left + width, area.right) - std::max<Wide>(left, area.left);
        const Wide y = std::min<Wide>(top + height, area.bottom) - std::max<Wide>(top, area.top);
        if (x >= needX && y >= needY)
            return true;
    }
    return false;
}

} // namespace vorna
