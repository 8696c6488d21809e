#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

// Keeps a window reachable: a position saved on a screen that is gone, or
// edited by hand, would otherwise leave the title bar out of sight.
namespace ScreenPlacement {

// Where to put a window whose frame is `frame` so that its title bar lies on
// one of the screens' available areas: unchanged when it already does,
// otherwise moved the least distance onto the nearest area.
QPoint reachable(const QRect &frame, const QList<QRect> &areas);

} // namespace ScreenPlacement
