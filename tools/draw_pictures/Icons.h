#pragma once

#include <QImage>

// The program's small pictures: the loudspeaker of the window icon, drawn
// as vectors so every size is sharp, and the two 16 x 16 menu images.
// All have a transparent background.
namespace Icons {

QImage loudspeaker(int size);
// The loudspeaker as SVG, for the scalable size of the icon theme.
QByteArray loudspeakerSvg();
QImage openFolder(); // an open yellow folder with a curved arrow
QImage exitCross();  // a red disc with a white X

} // namespace Icons
