#pragma once

#include <initializer_list>

class QWidget;

// When the button that has the keyboard focus is about to be disabled, Qt
// moves the focus along the tab order past every disabled control. While
// Sonti speaks the lists are disabled, so the focus would land in the text
// box, and a screen reader would read the whole text out over the voice. The
// button that takes over (Pause from Speak, Speak from Pause and Stop) takes
// the focus instead.
namespace FocusHandOver {

// If one of leaving has the focus, gives it to to (which must be enabled).
void handOver(std::initializer_list<QWidget *> leaving, QWidget *to);

} // namespace FocusHandOver
