// Linked into every test program: the program runs in the C locale, in English, whatever the
// developer's language, since the tests compare the texts of the C locale (the system's
// reasons among them). Set before main(), before anything reads the environment's locale.

#include <cstdlib>

namespace {

const bool kInTheCLocale = [] {
    ::setenv("LC_ALL", "C", 1);
    ::unsetenv("LANGUAGE");
    return true;
}();

}  // namespace
