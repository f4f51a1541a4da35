#include "ui/pdf_creation_date.h"

#include <QDateTime>

#include <cstdlib>

#include "base/printable_text.h"

namespace velmaro {
namespace {

constexpr qsizetype kDateDigits = 14;

}  // namespace

Result<std::optional<QByteArray>> ReproducibleCreationDate() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch == nullptr || *epoch == '\0') return std::optional<QByteArray>();
    bool isNumber = false;
    const qint64 seconds = QByteArray(epoch).toLongLong(&isNumber);
    if (isNumber && seconds >= 0) {
        const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
        const QByteArray digits = time.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
        if (digits.size() == kDateDigits) return std::optional<QByteArray>(digits);
    }
    return Error{"SOURCE_DATE_EPOCH",
                 "not a whole number of seconds since 1970 up to the year 9999: '" +
                     PrintableText(epoch) + "'"};
}

}  // namespace velmaro
