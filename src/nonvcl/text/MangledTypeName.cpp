#include "MangledTypeName.h"

#include <vector>

namespace skylaunch {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* BuiltinType(char code) {
  switch (code) {
    case 'v':
      return "void";
    case 'w':
      return "wchar_t";
    case 'b':
      return "bool";
    case 'c':
      return "char";
    case 'a':
      return "signed char";
    case 'h':
      return "unsigned char";
    case 's':
      return "short";
    case 't':
      return "unsigned short";
    case 'i':
      return "int";
    case 'j':
      return "unsigned int";
    case 'l':
      return "long";
    case 'm':
      return "unsigned long";
    case 'x':
      return "long long";
    case 'y':
      return "unsigned long long";
    case 'f':
      return "float";
    case 'd':
      return "double";
    case 'e':
      return "long double";
    default:
      return nullptr;
  }
}

// The builtin types whose code is "D" and this letter.
const char* ExtendedBuiltinType(char code) {
  switch (code) {
    case 'i':
      return "char32_t";
    case 's':
      return "char16_t";
    case 'u':
      return "char8_t";
    case 'n':
      return "decltype(nullptr)";
    default:
      return nullptr;
  }
}

// One pass over a mangled name, writing its spelling as it goes: every part of a name is spelled
// in the order in which it is mangled. A text outside the grammar read here sets fFailed, after
// which the spelling does not matter.
class TReader {
 public:
  explicit TReader(std::string_view text) : fText(text) {}

  std::optional<std::string> WholeType() {
    Type();
    if (fFailed || fPos != fText.size()) return std::nullopt;
    return std::move(fOut);
  }

 private:
  char Peek(size_t ahead = 0) const { return fPos + ahead < fText.size() ? fText[fPos + ahead] : '\0'; }
  bool Take(char c) {
    if (Peek() != c) return false;
    ++fPos;
    return true;
  }
  void Fail() { fFailed = true; }
  // Later parts of the name may refer back to what was spelled from `start` on, by its position
  // in the list.
  void Remember(size_t start) { fCandidates.push_back(fOut.substr(start)); }

  void Type() {
    const size_t start = fOut.size();
    if (const char* builtin = BuiltinType(Peek())) {
      ++fPos;
      fOut += builtin;
      return;
    }
    if (Peek() == 'D') {
      const char* builtin = ExtendedBuiltinType(Peek(1));
      if (builtin == nullptr) return Fail();
      fPos += 2;
      fOut += builtin;
      return;
    }
    if (Take('K')) {
      Type();
      fOut += " const";
    } else if (Take('P')) {
      Type();
      fOut += '*';
    } else if (Take('R')) {
      Type();
      fOut += '&';
    } else if (Take('O')) {
      Type();
      fOut += "&&";
    } else if (Peek() == 'S' && Peek(1) != 't') {
      // A name seen before is no new candidate, unless template arguments follow it.
      Substitution();
      if (Peek() != 'I') return;
      TemplateArgs();
    } else {
      Name();
    }
    Remember(start);
  }

  void Name() {
    if (Take('N')) return NestedName();
    if (Take('Z')) return LocalName();
    const size_t start = fOut.size();
    if (Take('S')) {
      if (!Take('t')) return Fail();
      fOut += "std::";
    }
    UnqualifiedName();
    if (Peek() == 'I') {
      Remember(start);
      TemplateArgs();
    }
  }

  // After "N": the components up to "E", each prefix a candidate.
  void NestedName() {
    const bool constMember = Take('K');
    const size_t start = fOut.size();
    while (!fFailed && !Take('E')) {
      const bool first = fOut.size() == start;
      if (Peek() == 'I') {
        if (first) return Fail();
        TemplateArgs();
      } else if (Peek() == 'S' && first) {
        if (Peek(1) == 't') {
          fPos += 2;
          fOut += "std";
        } else {
          Substitution();
        }
        continue;
      } else {
        if (!first) fOut += "::";
        if (Peek() == 'C' || Peek() == 'D') {
          ConstructorName();
        } else {
          UnqualifiedName();
        }
      }
      if (Peek() != 'E') Remember(start);
    }
    fConstMember = constMember;
  }

  // After "Z": a class of a function, as "function(parameters)::class".
  void LocalName() {
    FunctionEncoding();
    if (!Take('E')) return Fail();
    fOut += "::";
    Name();
    Discriminator();
  }

  void FunctionEncoding() {
    fConstMember = false;
    Name();
    const bool constMember = fConstMember;
    // A function template's encoding begins with its return type, which is not read here.
    if (!fOut.empty() && fOut.back() == '>') return Fail();
    if (Peek() == 'E') return;  // a variable's initializer, no function
    fOut += '(';
    if (Peek() == 'v' && Peek(1) == 'E') {
      ++fPos;
    } else {
      for (bool first = true; !fFailed && Peek() != 'E'; first = false) {
        if (!first) fOut += ", ";
        Type();
      }
    }
    fOut += ')';
    if (constMember) fOut += " const";
  }

  void UnqualifiedName() {
    Take('L');  // an entity of internal linkage
    if (!IsDigit(Peek())) return Fail();
    size_t length = 0;
    while (IsDigit(Peek())) {
      length = length * 10 + static_cast<size_t>(fText[fPos++] - '0');
      if (length > fText.size()) return Fail();
    }
    if (length == 0 || length > fText.size() - fPos) return Fail();
    const std::string_view identifier = fText.substr(fPos, length);
    fPos += length;
    fLastName = identifier;
    if (identifier.size() >= 10 && identifier.substr(0, 8) == "_GLOBAL_" &&
        (identifier[8] == '.' || identifier[8] == '_' || identifier[8] == '$') && identifier[9] == 'N') {
      fOut += "(anonymous namespace)";
    } else {
      fOut += identifier;
    }
  }

  // "C1" to "C5" and "D0" to "D5" after a class's name: its constructor and destructor.
  void ConstructorName() {
    const char kind = Peek();
    const char variant = Peek(1);
    if (variant < '0' || variant > '5' || (kind == 'C' && variant == '0')) return Fail();
    fPos += 2;
    if (kind == 'D') fOut += '~';
    fOut += fLastName;
  }

  // After "_" at the end of a local name: which of several classes of the same name in one
  // function; not part of the spelling.
  void Discriminator() {
    if (!Take('_')) return;
    const bool twoUnderscores = Take('_');
    if (!IsDigit(Peek())) return Fail();
    size_t number = 0;
    while (IsDigit(Peek())) number = number * 10 + static_cast<size_t>(fText[fPos++] - '0');
    if (twoUnderscores && number >= 10 && !Take('_')) Fail();
  }

  // After "S": a name remembered earlier ("S_", then "S0_", "S1_", … in base 36) or an
  // abbreviation of the standard library's.
  void Substitution() {
    ++fPos;
    if (Take('a')) {
      fLastName = "allocator";
      fOut += "std::allocator";
      return;
    }
    if (Take('b')) {
      fLastName = "basic_string";
      fOut += "std::basic_string";
      return;
    }
    size_t index = 0;
    if (!Take('_')) {
      size_t id = 0;
      while (!Take('_')) {
        const char c = Peek();
        if (IsDigit(c)) {
          id = id * 36 + static_cast<size_t>(c - '0');
        } else if (c >= 'A' && c <= 'Z') {
          id = id * 36 + static_cast<size_t>(c - 'A' + 10);
        } else {
          return Fail();
        }
        if (id >= fCandidates.size()) return Fail();
        ++fPos;
      }
      index = id + 1;
    }
    if (index >= fCandidates.size()) return Fail();
    fOut += fCandidates[index];
  }

  void TemplateArgs() {
    ++fPos;  // "I"
    // The arguments' names do not count as the last name for a constructor that follows them.
    const std::string lastName = fLastName;
    fOut += '<';
    for (bool first = true; !fFailed && !Take('E'); first = false) {
      if (!first) fOut += ", ";
      Type();
    }
    fLastName = lastName;
    if (fOut.back() == '>') fOut += ' ';
    fOut += '>';
  }

  std::string_view fText;
  size_t fPos = 0;
  bool fFailed = false;
  std::string fOut;
  std::vector<std::string> fCandidates;
  std::string fLastName;      // the last identifier read, the name of a constructor
  bool fConstMember = false;  // the nested name just read is that of a const member function
};

}  // namespace

std::optional<std::string> DemangledTypeName(std::string_view mangled) {
  return TReader(mangled).WholeType();
}

}  // namespace skylaunch
