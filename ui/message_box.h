#pragma once

class QMessageBox;

namespace velmaro {

// Makes box at least as wide as its title bar needs to show the whole caption beside the
// window manager's buttons: a short text ("Matricola NON Trovata") would otherwise make the box
// so narrow that the caption is cut ("Velm…enti").
void KeepCaptionInSight(QMessageBox& box);

}  // namespace velmaro
