#include "ui/pdf_creation_date.h"

#include <QDateTime>

#include <cstdlib>

namespace velmaro {
namespace {

constexpr char kDateKey[] = "/CreationDate (D:";
constexpr qsizetype kDateDigits = 14;
// Past this many bytes the document's information is long written: stop looking.
constexpr qsizetype kLongestHeld = 64 * 1024;

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

CreationDateFilter::CreationDateFilter(QIODevice& target, QByteArray date)
    : target_(target), date_(std::move(date)) {
    open(QIODevice::WriteOnly);
}

qint64 CreationDateFilter::writeData(const char* data, qint64 size) {
    if (passing_) return target_.write(data, size);
    held_.append(data, size);
    const qsizetype key = held_.indexOf(kDateKey);
    const qsizetype digits = key < 0 ? -1 : key + qsizetype(sizeof kDateKey) - 1;
    if (digits >= 0 && held_.size() >= digits + kDateDigits) {
        held_.replace(digits, kDateDigits, date_);
    } else if (held_.size() < kLongestHeld) {
        return size;
    }
    return FlushHeld() ? size : -1;
}

bool CreationDateFilter::FlushHeld() {
    passing_ = true;
    if (held_.isEmpty()) return true;
    const bool written = target_.write(held_) == held_.size();
    held_.clear();
    return written;
}

}  // namespace velmaro
