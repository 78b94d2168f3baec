#include "support/case_file.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tarvik::test {
namespace {

long double Term(const std::string& t, const std::string& where) {
  std::size_t used = 0;
  const auto slash = t.find('/');
  try {
    if (slash == std::string::npos) {
      const long double v = std::stold(t, &used);
      if (used == t.size()) return v;
    } else {
      const long double n = std::stold(t.substr(0, slash), &used);
      if (used == slash) {
        const std::string d = t.substr(slash + 1);
        const long double den = std::stold(d, &used);
        if (used == d.size() && den != 0) return n / den;
      }
    }
  } catch (const std::exception&) {}
  throw std::runtime_error(where + ": not a number: " + t);
}

}  // namespace

long double CaseLine::number(std::size_t i) const {
  if (i >= fields.size()) throw std::runtime_error(where + ": no field " + std::to_string(i + 1));
  const std::string& f = fields[i];
  // "a+b/c": split at a '+' that is not a leading sign or an exponent's.
  for (std::size_t k = 1; k < f.size(); ++k) {
    if (f[k] == '+' && f[k - 1] != 'e' && f[k - 1] != 'E')
      return Term(f.substr(0, k), where) + Term(f.substr(k + 1), where);
  }
  return Term(f, where);
}

std::vector<CaseLine> ReadCases(const std::string& name) {
  const std::string path = std::string(TARVIK_TEST_DATA) + "/" + name + ".cases";
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<CaseLine> cases;
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    CaseLine c{name + ".cases:" + std::to_string(n), {}};
    for (std::string w; words >> w;) c.fields.push_back(w);
    if (!c.fields.empty()) cases.push_back(std::move(c));
  }
  if (cases.empty()) throw std::runtime_error(path + " holds no case");
  return cases;
}

}  // namespace tarvik::test
