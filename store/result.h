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

    std::string Message() const { return file.empty() ? reason : file + ": " + reason; }
};

// Either a value or the Error that prevented it; the logic reports failures this way
// instead of throwing or exiting.
template <typename T>
class Result {
  public:
    Result(T value) : state_(std::move(value)) {}
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
