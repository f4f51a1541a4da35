#pragma once

#include <string>

namespace velmaro {

// The system's text for error number error (as errno holds it), in the language the
// environment chose for messages (LC_ALL, LC_MESSAGES, LANG) and always in UTF-8, whatever
// character set the locale uses and whether or not the program has set its locale: the same
// words in every command, never bytes that print escaped ("Non \xe8 una directory").
std::string SystemReason(int error);

}  // namespace velmaro
