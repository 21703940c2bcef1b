#pragma once
// Overwriting the texts that held a client secret or a token before their memory is released.
// Platform-free.
#include <cstddef>
#include <string>
#include <vector>

namespace skylaunch {

// Zeroes the characters of `text` in a way the compiler cannot drop as a dead store, then empties it.
template <class Char>
void WipeText(std::basic_string<Char>& text) {
  volatile Char* chars = text.data();
  for (size_t i = 0; i < text.size(); ++i) chars[i] = Char();
  text.clear();
}

template <class Char>
void WipeText(std::vector<std::basic_string<Char>>& lines) {
  for (auto& line : lines) WipeText(line);
  lines.clear();
}

// Wipes a text (or a list of lines) when the scope ends, whichever way it ends.
template <class Text>
class TWipeOnExit {
 public:
  explicit TWipeOnExit(Text& text) : fText(text) {}
  TWipeOnExit(const TWipeOnExit&) = delete;
  TWipeOnExit& operator=(const TWipeOnExit&) = delete;
  ~TWipeOnExit() { WipeText(fText); }

 private:
  Text& fText;
};

}  // namespace skylaunch
