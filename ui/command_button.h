#pragma once

#include <QPushButton>

namespace velmaro {

// A push button of the window's row of controls, beside the number's text box. Its access key
// (Alt and the underlined letter) presses it at once, so that keys typed right after it
// apply after it; neither the access key nor a click takes the keyboard from the text box, so
// that the next number typed goes into the box. Tab still reaches it, and Space or Enter then
// presses it.
class CommandButton final : public QPushButton {
  public:
    CommandButton(const QString& caption, QWidget* parent);

  protected:
    bool event(QEvent* event) override;
};

}  // namespace velmaro
