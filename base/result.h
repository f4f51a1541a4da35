#pragma once

#include <string>
#include <utility>
#include <variant>

namespace velmaro {

// A failure that the user can cause (a missing or unreadable data file, a malformed
// table): which file, and why. Message() is the one line shown to the user.
struct Error {
    std::string file;
    std::string reason;
    // For a file that could not be written: the fault is that file's own (a folder, or a file
    // that may not be replaced, where it goes; a link that leads nowhere), so that other files
    // in the same folder may still be written. A fault of the folder or the disk (no space, no
    // right to add files, an I/O error) is not.
    bool onlyThisFile = false;

    std::string Message() const { return file.empty() ? reason : file + ": " + reason; }
};

// Either a value or the Error that prevented it; the logic reports failures this way
// instead of throwing or exiting. A Result that is dropped unread is a compile error.
template <typename T>
class [[nodiscard]] Result {
  public:
    // Taken by reference, so a large value is moved once, into place.
    Result(T&& value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(const T& value) : state_(std::in_place_index<0>, value) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(state_); }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<T>(state_); }
    const T& value() const& { return std::get<T>(state_); }
    T&& value() && { return std::get<T>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Error& error() const { return std::get<Error>(state_); }

  private:
    std::variant<T, Error> state_;
};

// The outcome of an operation that yields nothing but may fail.
using Status = Result<std::monostate>;
inline Status Ok() { return Status(std::monostate{}); }

}  // namespace velmaro

// Evaluates expression, a Result or Status; when it holds an Error, returns that Error from
// the enclosing function (whose result type takes an Error). Otherwise, when a declaration
// is given, declares it from the value:
//   VELMARO_TRY(auto titles, LoadTitleGroups(dataDir));   // titles is the loaded table
//   VELMARO_TRY(registry.Refresh());                      // only the early return
#define VELMARO_TRY(...) \
    VELMARO_TRY_SELECT(__VA_ARGS__, VELMARO_TRY_ASSIGN, VELMARO_TRY_CHECK)(__VA_ARGS__)

#define VELMARO_TRY_SELECT(first, second, chosen, ...) chosen
#define VELMARO_TRY_JOIN_INNER(a, b) a##b
#define VELMARO_TRY_JOIN(a, b) VELMARO_TRY_JOIN_INNER(a, b)
#define VELMARO_TRY_CHECK(expression)                            \
    do {                                                         \
        if (auto&& velmaroTried = (expression); !velmaroTried) { \
            return velmaroTried.error();                         \
        }                                                        \
    } while (false)
#define VELMARO_TRY_ASSIGN(declaration, expression) \
    VELMARO_TRY_ASSIGN_TO(VELMARO_TRY_JOIN(velmaroTried, __LINE__), declaration, expression)
#define VELMARO_TRY_ASSIGN_TO(tried, declaration, expression) \
    auto tried = (expression);                                \
    if (!tried) return tried.error();                         \
    declaration = std::move(tried).value()
