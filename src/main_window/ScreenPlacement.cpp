#include "ScreenPlacement.h"

#include <algorithm>
#include <limits>

namespace ScreenPlacement {

QPoint reachable(const QRect &frame, const QList<QRect> &areas)
{
    // A point in the middle of the title bar.
    const QPoint titleBar = frame.topLeft() + QPoint(frame.width() / 2, 8);
    const QRect *nearest = nullptr;
    int best = std::numeric_limits<int>::max();
    for (const QRect &area : areas) {
        if (area.contains(titleBar))
            return frame.topLeft();
        const QPoint inside(std::clamp(titleBar.x(), area.left(), area.right()),
                            std::clamp(titleBar.y(), area.top(), area.bottom()));
        const int distance = (inside - titleBar).manhattanLength();
        if (distance < best) {
            best = distance;
            nearest = &area;
        }
    }
    if (!nearest)
        return frame.topLeft();
    const QRect &area = *nearest;
    return QPoint(std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() - frame.width() + 1)),
                  std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() - frame.height() + 1)));
}

} // namespace ScreenPlacement
