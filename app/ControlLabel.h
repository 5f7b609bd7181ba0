// The label beside a control that carries no text of its own: clicking it
// is clicking the check box or option button it names (a list takes the
// keyboard focus), as a label of the control would.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QMouseEvent>

namespace tessaly::app {

class ControlLabel : public QLabel {
public:
    ControlLabel(const QString& text, QWidget* control) : QLabel(text) { setBuddy(control); }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QWidget* control = buddy();
        if (event->button() == Qt::LeftButton && control && control->isEnabled() && rect().contains(event->position().toPoint())) {
            if (auto* button = qobject_cast<QAbstractButton*>(control)) button->click();
            control->setFocus(Qt::MouseFocusReason);
        }
        QLabel::mouseReleaseEvent(event);
    }
};

}  // namespace tessaly::app
