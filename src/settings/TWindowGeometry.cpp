#include "settings/TWindowGeometry.h"

#include <algorithm>
#include <climits>

namespace {

long long Overlap(const TWindowRect& a, const TWindowRect& b)
{
    const long long width = std::min<long long>(a.Right, b.Right) - std::max<long long>(a.Left, b.Left);
    const long long height = std::min<long long>(a.Bottom, b.Bottom) - std::max<long long>(a.Top, b.Top);
    return width > 0 && height > 0 ? width * height : 0;
}

// One axis: the size no larger than the area's, the start inside it.
void Fit(int start, int size, int areaStart, int areaEnd, int& outStart, int& outEnd)
{
    const long long areaSize = std::max<long long>(0, static_cast<long long>(areaEnd) - areaStart);
    const long long fitted = std::clamp<long long>(size, 0, areaSize);
    const long long first = std::clamp<long long>(start, areaStart, areaEnd - fitted);
    outStart = static_cast<int>(first);
    outEnd = static_cast<int>(first + fitted);
}

} // namespace

TWindowRect KeepInside(int left, int top, int width, int height, const std::vector<TWindowRect>& areas)
{
    const auto edge = [](int start, int size) {
        return static_cast<int>(std::clamp<long long>(static_cast<long long>(start) + size, INT_MIN, INT_MAX));
    };
    const TWindowRect rect{left, top, edge(left, width), edge(top, height)};
    if (areas.empty())
        return rect;
    const TWindowRect* best = &areas.front();
    long long bestOverlap = 0;
    for (const TWindowRect& area : areas) {
        const long long overlap = Overlap(rect, area);
        if (overlap > bestOverlap) {
            best = &area;
            bestOverlap = overlap;
        }
    }
    TWindowRect fitted;
    Fit(left, width, best->Left, best->Right, fitted.Left, fitted.Right);
    Fit(top, height, best->Top, best->Bottom, fitted.Top, fitted.Bottom);
    return fitted;
}
