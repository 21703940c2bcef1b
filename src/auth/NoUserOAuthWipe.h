#pragma once
// Overwriting the texts that held a client secret or a token before their memory is released.
// Platform-free.
#include <cstddef>
#include <string>

namespace skylaunch {

// Zeroes the characters of `text` in a way the compiler cannot drop as a dead store, then empties it.
template <class Char>
void WipeText(std::basic_string<Char>& text) {
  volatile Char* chars = text.data();
  for (size_t i = 0; i < text.size(); ++i) chars[i] = Char();
  text.clear();
}

// Wipes a text when the scope ends, whichever way it ends.
template <class Char>
class TWipeOnExit {
 public:
  explicit TWipeOnExit(std::basic_string<Char>& text) : fText(text) {}
  TWipeOnExit(const TWipeOnExit&) = delete;
  TWipeOnExit& operator=(const TWipeOnExit&) = delete;
  ~TWipeOnExit() { WipeText(fText); }

 private:
  std::basic_string<Char>& fText;
};

}  // namespace skylaunch
