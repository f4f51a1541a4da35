#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmaro {

// The descriptor of this process that path names (/dev/stdin, /dev/stdout, /dev/stderr,
// /dev/fd/3, /proc/self/fd/3, /proc/thread-self/fd/3, /dev/fd//3 ...), if it names one. Such a name
// is a link the system makes to whatever the descriptor has open (a pipe, a file opened for
// appending): only the descriptor itself reads or writes there as the one who opened it meant.
std::optional<int> DescriptorNamed(std::string_view path);

// The name the system gives the file open as descriptor: /proc/self/fd/N, a link that leads to
// that file whatever has since become of the name it was opened by.
std::string PathOfDescriptor(int descriptor);

}  // namespace velmaro
