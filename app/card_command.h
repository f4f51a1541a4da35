#pragma once

namespace velmaro {

// `velmaro card [options] MATRICOLA...`: draws cards without a window. argv[1] is "card".
// Exit status 0 when every card was drawn, 1 when some number was not found, 2 on a data,
// start-up or usage error.
int RunCardCommand(int argc, char* argv[]);

}  // namespace velmaro
