#include "ui/pdf_creation_date.h"

#include <QDateTime>

#include <algorithm>
#include <cstdlib>

#include "base/printable_text.h"

namespace velmaro {
namespace {

constexpr qsizetype kDateDigits = 14;

}  // namespace

Result<std::optional<QByteArray>> ReproducibleCreationDate() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch == nullptr || *epoch == '\0') return std::optional<QByteArray>();
    // Digits alone, as `date +%s` writes them: no sign, no blanks.
    const QByteArray text(epoch);
    const bool digits =
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    bool isNumber = false;
    const qint64 seconds = digits ? text.toLongLong(&isNumber) : -1;
    if (isNumber && seconds >= 0) {
        const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
        const QByteArray digits = time.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
        if (digits.size() == kDateDigits) return std::optional<QByteArray>(digits);
    }
    return Error{"SOURCE_DATE_EPOCH",
                 "not seconds since 1970 in digits alone, up to the year 9999: '" +
                     PrintableText(epoch) + "'"};
}

}  // namespace velmaro
