#include "base/system_reason.h"

#include <locale.h>

#include <cerrno>
#include <cstring>

namespace velmaro {
namespace {

// The environment's language for messages with UTF-8 characters; made once, kept for the
// program's life. Nothing when the system cannot make it: the C library's own text serves.
locale_t MessagesInUtf8() {
    static const locale_t locale = [] {
        locale_t fromEnvironment = ::newlocale(LC_MESSAGES_MASK, "", nullptr);
        // A locale the system lacks: its messages would be English anyway.
        if (fromEnvironment == nullptr) fromEnvironment = ::newlocale(LC_ALL_MASK, "C", nullptr);
        if (fromEnvironment == nullptr) return locale_t{};
        const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", fromEnvironment);
        if (utf8 == nullptr) ::freelocale(fromEnvironment);
        return utf8;
    }();
    return locale;
}

}  // namespace

std::string SystemReason(int error) {
    // Making the locale may set errno; a caller may still look at it.
    const int saved = errno;
    const locale_t locale = MessagesInUtf8();
    std::string reason = locale ? ::strerror_l(error, locale) : std::strerror(error);
    errno = saved;
    return reason;
}

}  // namespace velmaro
