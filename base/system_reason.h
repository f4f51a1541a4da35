#pragma once

#include <string>

namespace velmaro {

// The system's text for error number error (as errno holds it), in the language the
// environment chose for messages (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, as the C library reads
// them) and in UTF-8, whatever character set the locale uses and whether or not the program
// has set its locale: the same words in every command, never bytes that print escaped ("Non
// \xe8 una directory"). (A system without the C.UTF-8 locale gives the C library's own text.)
// errno is left as it was.
std::string SystemReason(int error);

}  // namespace velmaro
