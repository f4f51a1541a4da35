#pragma once

#include <QByteArray>

#include <optional>

#include "base/result.h"

namespace velmaro {

// The creation time a PDF should record instead of the present one, as yyyyMMddHHmmss in UTC:
// SOURCE_DATE_EPOCH (whole seconds since 1970) when the environment sets it, so that the same
// cards always give the same bytes; nothing when it is unset or empty. Any other value is an
// error naming it: a run that only looks reproducible would be worse than none.
Result<std::optional<QByteArray>> ReproducibleCreationDate();

}  // namespace velmaro
