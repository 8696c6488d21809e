#include "FocusHandOver.h"

#include <QWidget>

namespace FocusHandOver {

void handOver(std::initializer_list<QWidget *> leaving, QWidget *to)
{
    for (QWidget *widget : leaving) {
        if (widget->hasFocus()) {
            to->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

} // namespace FocusHandOver
