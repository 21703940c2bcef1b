#include "RuntimeErrors.h"

#include <gtest/gtest.h>

#include "Utf.h"

namespace skylaunch {
namespace {

TEST(RuntimeErrors, OperatingSystemExceptionsReadAsTheirFixedTexts) {
  const struct {
    uint32_t code;
    const char* message;
  } cases[] = {
      {0xC0000005, "Access violoation."},
      {0xC000008C, "Range error."},
      {0xC000008D, "Undeflow."},
      {0xC000008E, "Floating point division by zero."},
      {0xC000008F, "Invalid operation."},
      {0xC0000090, "Invalid operation."},
      {0xC0000091, "Floating point overflow."},
      {0xC0000092, "Invalid operation."},
      {0xC0000093, "Undeflow."},
      {0xC0000094, "Integer division by zero."},
      {0xC0000095, "Integer overflow"},
      {0xC0000096, "Priveledged instruction."},
      {0xC00000FD, "Stack overflow."},
      {0xC000013A, "Control break."},
      {0xC000001D, "External exception."},  // illegal instruction: not in the table
      {0xE0001234, "External exception."},
      {0, "External exception."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(GetExceptionObject(c.code).Message()), c.message) << std::hex << c.code;
  }
  EXPECT_EQ(MapExceptionCode(0xE0001234), 22);
}

TEST(RuntimeErrors, NumberedFailuresReadAsTheRuntimeTable) {
  const struct {
    uint8_t number;
    const char* message;
  } cases[] = {
      {0, "File I/O error."},        {1, "Out of memory."},   {2, "Invalid pointer."},
      {3, "Integer division by zero."},  {10, "External exception"},
      {11, "Access violation."},     {14, "Stack overflow."}, {24, "External exception"},
      {25, "File I/O error."},       {255, "File I/O error."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(RuntimeFailureMessage(c.number)), c.message) << int(c.number);
    try {
      RuntimeErrorHandler(c.number);
      ADD_FAILURE() << "no exception for " << int(c.number);
    } catch (const ExceptionLite& e) {
      EXPECT_EQ(ToUtf8(e.Message()), c.message) << int(c.number);
    }
  }
}

}  // namespace
}  // namespace skylaunch
