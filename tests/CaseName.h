#pragma once

// Names of table cases for test names: gtest wants letters, digits and
// underscores only.

#include <cctype>
#include <string>
#include <string_view>

namespace testnames {

// Letters and digits kept; each run of other characters becomes one
// underscore. An empty text is "empty".
inline std::string caseName(std::string_view text) {
  std::string name;
  bool gap = false;
  for (const char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      if (gap) {
        name += '_';
      }
      name += c;
      gap = false;
    } else {
      gap = true;
    }
  }
  if (gap) {
    name += '_';
  }
  return name.empty() ? std::string("empty") : name;
}

} // namespace testnames
