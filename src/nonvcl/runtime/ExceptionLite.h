#pragma once
// The one exception class that the program raises for its own errors. Every error boundary
// (window procedure, worker thread, program entry) catches it and shows its Message.
#include <exception>
#include <string>

namespace skylaunch {

class ExceptionLite : public std::exception {
 public:
  explicit ExceptionLite(std::u16string message);

  const std::u16string& Message() const noexcept { return FMessage; }
  void SetMessage(std::u16string message);
  // The message as UTF-8, for diagnostics outside the program's own text handling.
  const char* what() const noexcept override { return fUtf8.c_str(); }

 private:
  std::u16string FMessage;
  std::string fUtf8;
};

}  // namespace skylaunch
