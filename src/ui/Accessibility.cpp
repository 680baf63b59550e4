#include "ui/Accessibility.h"

#include <QLabel>
#include <QWidget>

namespace orvel {

void LabelControl(QLabel* caption, QWidget* control) {
    QString words = caption->text();
    words.remove('&');
    if (words.endsWith(':')) words.chop(1);
    control->setAccessibleName(words.trimmed());
    if (control->focusPolicy() != Qt::NoFocus) caption->setBuddy(control);
}

} // namespace orvel
