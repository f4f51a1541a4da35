#pragma once

#include <QString>

namespace velmaro {

// The caption of the main window and of every box it opens.
inline constexpr const char* kWindowCaption = "Velmaro Studenti";

// The title of a dialog of the window: the caption, then what the dialog is for.
inline QString DialogTitle(const char* purpose) {
    return QString::fromUtf8(kWindowCaption) + QStringLiteral(" \u2013 ") +
           QString::fromUtf8(purpose);
}

}  // namespace velmaro
