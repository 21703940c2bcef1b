#include "ExceptionText.h"

#include "ExceptionLite.h"

namespace skylaunch {

std::u16string ExceptionText(const std::exception_ptr& error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const ExceptionLite& e) {
    return e.Message();
  } catch (...) {
  }
  return u"Unknown exception occurred.";
}

}  // namespace skylaunch
