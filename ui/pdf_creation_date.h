#pragma once

#include <QByteArray>
#include <QIODevice>

#include <optional>

namespace velmaro {

// The creation time a PDF should record instead of the present one: SOURCE_DATE_EPOCH (whole
// seconds since 1970, UTC) when the environment sets it to such a number, so that the same
// cards always give the same bytes. Nothing otherwise.
std::optional<QByteArray> ReproducibleCreationDate();

// Passes everything written to it on to target, except that the digits of the first
// "/CreationDate (D:" are replaced by date (14 digits, yyyyMMddHHmmss). The bytes before the
// date are held back until it has passed (it comes in a document's first few hundred bytes);
// FlushHeld writes them out in any case. target must be open for writing and outlive this.
class CreationDateFilter final : public QIODevice {
  public:
    CreationDateFilter(QIODevice& target, QByteArray date);

    // Writes out what is still held back; false when target did not take it.
    bool FlushHeld();

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

  private:
    QIODevice& target_;
    QByteArray date_;
    QByteArray held_;
    bool passing_ = false;  // the date has passed (or cannot come any more)
};

}  // namespace velmaro
