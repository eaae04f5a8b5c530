#pragma once

#include <optional>
#include <string>
#include <utility>

namespace zorvik::platform {

// Why a file operation failed: errno (ENOENT for a drive that is not there)
// and the words for the error box, in Chinese. Code 0 is success.
struct FileError {
    int code = 0;
    std::string text;
};

// The outcome of an operation that yields nothing but success or its error.
class Done {
public:
    Done() = default;
    explicit Done(FileError error) : error_(std::move(error)) {}

    explicit operator bool() const { return error_.code == 0; }
    int error() const { return error_.code; }
    const std::string& errorText() const { return error_.text; }
    const FileError& failure() const { return error_; }

private:
    FileError error_;
};

// A value, or the error that kept it from being made.
template <typename T>
class Result {
public:
    Result(T value) : value_(std::move(value)) {}  // NOLINT: a value is a success
    explicit Result(FileError error) : error_(std::move(error)) {}

    explicit operator bool() const { return value_.has_value(); }
    bool has_value() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    T value_or(T otherwise) const { return value_ ? *value_ : std::move(otherwise); }

    int error() const { return error_.code; }
    const std::string& errorText() const { return error_.text; }
    const FileError& failure() const { return error_; }

private:
    std::optional<T> value_;
    FileError error_;
};

}  // namespace zorvik::platform
