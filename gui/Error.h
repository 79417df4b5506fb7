#pragma once
// Errors are exceptions that carry the message the user is shown.
#include <stdexcept>
#include <string>

namespace gui {

class cError : public std::runtime_error {
public:
  explicit cError(std::wstring message) : std::runtime_error("cError"), message_(std::move(message)) {}
  const std::wstring& Message() const noexcept { return message_; }

private:
  std::wstring message_;
};

class cStringListError : public cError { using cError::cError; };
class cInvalidOperation : public cError { using cError::cError; };
class cOutOfResources : public cError { using cError::cError; };

}  // namespace gui
