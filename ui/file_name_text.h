#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace velmaro {

// A file name is any bytes to the system, and a folder named in Latin-1 on an old share is not
// UTF-8. These two carry such a name through Qt's text unchanged: FileNameText decodes UTF-8
// and turns each byte that is not part of valid UTF-8 into U+DC80 + byte (a lone surrogate,
// which no valid UTF-8 yields); FileNameBytes gives the bytes back. The system's name for a
// QString that holds no such escape is its UTF-8.
QString FileNameText(std::string_view bytes);

// The bytes of a name made by FileNameText, or the UTF-8 of any other text (a lone surrogate
// that stands for no byte becomes U+FFFD).
std::string FileNameBytes(const QString& text);

// bytes as UTF-8 text, for what is shown or recorded rather than opened: each byte that is not
// part of valid UTF-8 becomes U+FFFD, as Qt reads text.
std::string Utf8Text(std::string_view bytes);

}  // namespace velmaro
