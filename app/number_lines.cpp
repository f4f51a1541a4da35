#include "app/number_lines.h"

#include <unistd.h>

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>

#include "base/descriptor_name.h"
#include "store/text_file.h"
#include "ui/file_name_text.h"

namespace velmaro {

namespace {

// Whether text starts with a UTF-16 byte-order mark, after which zero bytes are text.
bool StartsAsUtf16(std::string_view text) {
    return text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
}

// Refuses, read by read, what cannot be a list of numbers, as soon as it shows:
// - A zero: a list is text, which holds no zero byte but in UTF-16, after its mark, and no
//   character zero in UTF-16 either. A zero shows a file given by mistake (a spreadsheet, a PDF,
//   a list saved as UTF-16 without its mark), whose lines would each be a number not found, or a
//   device that never ends (/dev/zero, also after a mark), which would be read until memory runs
//   out.
// - More than 1,000,000 lines, ten times the students a registry can hold, or more than 64 MiB
//   (a list of every student takes less than one): a program that writes without end
//   (yes 5193), or a file given by mistake, whose lines would each be kept and then drawn or
//   said not found.
class ListCheck {
  public:
    std::optional<std::string> operator()(std::string_view read, std::size_t newFrom) {
        constexpr std::size_t kLongestList = 64 << 20;
        constexpr std::size_t kMostLines = 1'000'000;
        constexpr char kNoText[] =
            ", as no text does: not a list of numbers, one per line (save a spreadsheet's list "
            "as text)";
        if (read.size() > kLongestList) {
            return "holds more than 64 MiB, as no list of numbers does: not a list of numbers, "
                   "one per line";
        }
        if (!StartsAsUtf16(read)) {
            const std::string_view added = read.substr(newFrom);
            if (added.find('\0') != std::string_view::npos) {
                return std::string("holds a zero byte") + kNoText;
            }
            feeds_ += static_cast<std::size_t>(std::count(added.begin(), added.end(), '\n'));
            returns_ += static_cast<std::size_t>(std::count(added.begin(), added.end(), '\r'));
        } else {
            // Characters of two bytes from the mark on; the first new byte may end one begun
            // before, which is then looked at with this read.
            const bool littleEndian = read[0] == '\xFF';
            for (std::size_t at = std::max<std::size_t>(2, newFrom & ~std::size_t{1});
                 at + 1 < read.size(); at += 2) {
                const char high = littleEndian ? read[at + 1] : read[at];
                const char low = littleEndian ? read[at] : read[at + 1];
                if (high != '\0') continue;
                if (low == '\0') return std::string("holds a character zero") + kNoText;
                feeds_ += low == '\n' ? 1 : 0;
                returns_ += low == '\r' ? 1 : 0;
            }
        }
        // LF and CR are counted apart: whichever of CR LF, CR or LF end the lines, the more
        // numerous is never more than the lines.
        if (std::max(feeds_, returns_) > kMostLines) {
            return "holds more than 1,000,000 lines, ten times the students a registry can hold: "
                   "not a list of numbers, one per line";
        }
        return std::nullopt;
    }

  private:
    std::size_t feeds_ = 0;
    std::size_t returns_ = 0;
};

}  // namespace

ReadCheck NumberListCheck() { return ListCheck(); }

std::vector<std::string> NumberLines(std::string_view text) {
    // A list saved as "Unicode" (UTF-16, as Windows' Notepad names it) starts with its
    // byte-order mark: read as the text it holds, not as numbers full of zero bytes.
    if (StartsAsUtf16(text)) {
        // Stateless: half a character at the end is U+FFFD, not dropped.
        QStringDecoder decode(text[0] == '\xFF' ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                              QStringDecoder::Flag::Stateless);
        const QString decoded = decode(QByteArrayView(text.data(), std::ssize(text)));
        return NumberLines(decoded.toStdString());
    }
    std::vector<std::string> numbers;
    for (const std::string_view line : SplitLineViews(text)) {
        // Read as UTF-8, as the command's arguments are: a byte that is not part of valid
        // UTF-8 becomes U+FFFD, so a number's text is always UTF-8 where it is shown. A
        // byte-order mark at a line's start (a list saved as "UTF-8 with BOM", or several such
        // lists joined) is no text, so a line of it alone is empty once read, and skipped like
        // any empty line.
        std::string number = Utf8Text(line);
        if (!number.empty()) numbers.push_back(std::move(number));
    }
    return numbers;
}

Result<std::vector<std::string>> ReadNumbersFrom(const std::string& path) {
    std::string text;
    // "-", /dev/stdin, /dev/fd/3: read from where the descriptor stands, as the shell gave it,
    // by the system's own calls, so that a failed read (a folder given as input, a closed
    // descriptor) does not pass for the end.
    const ReadCheck check = NumberListCheck();
    const std::optional<int> named = path == "-" ? STDIN_FILENO : DescriptorNamed(path);
    if (named) {
        VELMARO_TRY(text, ReadAllFrom(*named, path == "-" ? "standard input" : path, check));
    } else {
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            return Error{path, "is a folder, not a file"};
        }
        // A named pipe is a list like any.
        VELMARO_TRY(text, ReadStream(path, check));
    }
    return NumberLines(text);
}

}  // namespace velmaro
