#include "ui/pdf_creation_date.h"

#include <QDateTime>

#include <cstdlib>

namespace velmaro {
namespace {

constexpr qsizetype kDateDigits = 14;

}  // namespace

std::optional<QByteArray> ReproducibleCreationDate() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch == nullptr || *epoch == '\0') return std::nullopt;
    bool isNumber = false;
    const qint64 seconds = QByteArray(epoch).toLongLong(&isNumber);
    if (!isNumber || seconds < 0) return std::nullopt;
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    const QByteArray digits = time.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    if (digits.size() != kDateDigits) return std::nullopt;
    return digits;
}

}  // namespace velmaro
