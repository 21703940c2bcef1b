// The program's throw helpers (ThrowHelpers.cpp, linked here as in the program): where the C++
// library reports a misuse or a limit, the program fails as it did with the library's own helpers,
// with a std::exception that is no ExceptionLite (every error boundary shows "Unknown exception
// occurred."), and with the library's bad_alloc where an allocation is beyond its largest size.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ExceptionText.h"
#include "StandardLibraryError.h"

namespace skylaunch {
namespace {

TEST(ThrowHelpers, ReportLibraryMisusesAsStandardExceptionsThatAreNoExceptionLite) {
  const std::u16string text(u"abc");
  std::vector<char16_t> pieces;
  const char16_t* none = nullptr;
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"position past the end", [&] { (void)text.substr(4); }},
      {"element past the end", [&] { (void)text.at(3); }},
      {"beyond the largest size", [&] { pieces.reserve(pieces.max_size() + 1); }},
      {"string from null", [&] { (void)std::u16string(none); }},
  };
  for (const auto& [name, misuse] : cases) {
    SCOPED_TRACE(name);
    try {
      misuse();
      ADD_FAILURE() << "nothing thrown";
    } catch (const EStandardLibraryError& error) {
      EXPECT_STRNE(error.what(), "");
      EXPECT_EQ(ExceptionText(std::current_exception()), u"Unknown exception occurred.");
    }
  }
}

TEST(ThrowHelpers, KeepTheLibrarysBadAllocForAllocationsBeyondTheLargestSize) {
  std::allocator<uint32_t> allocator;
  const size_t largest = std::allocator_traits<std::allocator<uint32_t>>::max_size(allocator);
  EXPECT_THROW((void)allocator.allocate(largest + 1), std::bad_alloc);
  EXPECT_THROW((void)allocator.allocate(SIZE_MAX), std::bad_array_new_length);
}

}  // namespace
}  // namespace skylaunch
