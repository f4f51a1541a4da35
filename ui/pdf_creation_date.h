#pragma once

#include <QByteArray>

#include <optional>

namespace velmaro {

// The creation time a PDF should record instead of the present one: SOURCE_DATE_EPOCH (whole
// seconds since 1970, UTC) when the environment sets it to such a number, so that the same
// cards always give the same bytes. Nothing otherwise.
std::optional<QByteArray> ReproducibleCreationDate();

}  // namespace velmaro
