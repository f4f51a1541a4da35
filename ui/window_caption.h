#pragma once

namespace velmaro {

// The caption of the main window and of every box and dialog it opens.
inline constexpr const char* kWindowCaption = "Velmaro Studenti";

}  // namespace velmaro
