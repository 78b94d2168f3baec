// A small option parser for the subcommands: "--name value", "--name=value",
// flags, repeatable options and positional arguments, with usage errors that
// name the offending option.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvik::cli {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Args {
 public:
  // `valueOptions` take a value, `flagOptions` do not, `repeatable` value
  // options may be given more than once. Throws UsageError for an unknown
  // option or a missing value. "-" alone is a positional argument.
  Args(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
       const std::vector<std::string>& flagOptions, const std::vector<std::string>& repeatable = {});

  bool flag(const std::string& name) const;
  std::optional<std::string> value(const std::string& name) const;
  std::vector<std::string> values(const std::string& name) const;
  const std::vector<std::string>& positional() const { return positional_; }

  // Typed values; UsageError when the text does not convert.
  std::optional<double> number(const std::string& name) const;
  std::optional<long long> integer(const std::string& name) const;

 private:
  std::map<std::string, std::vector<std::string>> values_;
  std::map<std::string, bool> flags_;
  std::vector<std::string> positional_;
};

}  // namespace tarvik::cli
