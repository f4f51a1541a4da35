#include "ui/spool_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>

#include "base/system_reason.h"

namespace velmaro {

namespace {

// A card's job is some 15 to 40 KB.
constexpr std::size_t kTrialBytes = std::size_t{256} << 10;

// Writes kTrialBytes to descriptor and closes it; the error number of the first failure, 0.
int WriteTrialAndClose(int descriptor) {
    static constexpr std::array<char, 16384> kZeros{};
    int failure = 0;
    for (std::size_t written = 0; written < kTrialBytes && failure == 0;) {
        const ssize_t got = ::write(descriptor, kZeros.data(), kZeros.size());
        if (got > 0) {
            written += static_cast<std::size_t>(got);
        } else if (got < 0 && errno != EINTR) {
            failure = errno;
        } else if (got == 0) {
            failure = ENOSPC;
        }
    }
    if (::close(descriptor) != 0 && failure == 0) failure = errno;
    return failure;
}

}  // namespace

std::optional<std::string> SpoolFolderProblem() {
    // The folder as Qt's print engine takes it: TMPDIR as it is given, else /tmp (QDir's
    // tempPath() is empty for a folder that does not exist).
    const char* named = std::getenv("TMPDIR");
    const std::string folder = named != nullptr && *named != '\0' ? named : "/tmp";
    std::string trial = folder + "/.velmaro-print-XXXXXX";
    const int descriptor = ::mkostemp(trial.data(), O_CLOEXEC);
    int failure = descriptor < 0 ? errno : 0;
    if (descriptor >= 0) {
        failure = WriteTrialAndClose(descriptor);
        ::unlink(trial.c_str());
    }
    if (failure == 0) return std::nullopt;
    return "the temporary folder " + folder +
           " cannot take the print job before it goes to the printer: " + SystemReason(failure);
}

}  // namespace velmaro
