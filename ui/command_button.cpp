#include "ui/command_button.h"

#include <QShortcutEvent>

namespace velmaro {

CommandButton::CommandButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setFocusPolicy(Qt::TabFocus);
    // Enter presses the button that has the focus, as Space does.
    setAutoDefault(true);
}

bool CommandButton::event(QEvent* event) {
    // Qt's own access key takes the focus and presses the button a tenth of a second later,
    // after the keys typed meanwhile: a number typed and Enter pressed right after Alt+S would
    // display another student before the print, which would print that one.
    if (event->type() == QEvent::Shortcut && !static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
        click();
        return true;
    }
    return QPushButton::event(event);
}

}  // namespace velmaro
