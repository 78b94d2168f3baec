// Test cases kept as data: tests/data/NAME.cases, one case per line, fields
// separated by blanks or tabs, "#" starting a comment. Adding a case is adding
// a line. A field that is a number may be written as a sum of a whole part
// and a fraction ("16+1/24"), so that sheet sizes stay exact in the file.
#pragma once

#include <string>
#include <vector>

namespace tarvik::test {

struct CaseLine {
  std::string where;                        // "NAME.cases:LINE", for SCOPED_TRACE
  std::vector<std::string> fields;          // the line's fields in order
  long double number(std::size_t i) const;  // field i as a number (throws when it is none)
};

// Every case of tests/data/NAME.cases; a missing or empty file fails the
// calling test through a thrown std::runtime_error.
std::vector<CaseLine> ReadCases(const std::string& name);

}  // namespace tarvik::test
