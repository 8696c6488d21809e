#pragma once

#include <QImage>

// The 78 x 147 picture of the start-up window: the microphone with closed,
// smiling eyes on a white stand over light grey linen, and a dark olive band
// along the bottom that says "Loading...".
namespace SplashPicture {

inline constexpr int width = 78;
inline constexpr int height = 147;

QImage paint();

} // namespace SplashPicture
