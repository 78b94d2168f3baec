#include "cli/args.h"

#include <algorithm>
#include <cctype>

#include "common/delphi.h"

namespace tarvik::cli {
namespace {

bool Contains(const std::vector<std::string>& list, const std::string& s) {
  return std::find(list.begin(), list.end(), s) != list.end();
}

}  // namespace

Args::Args(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
           const std::vector<std::string>& flagOptions, const std::vector<std::string>& repeatable) {
  bool onlyPositional = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (onlyPositional || a.size() < 2 || a[0] != '-' ||
        (a[1] != '-' && !std::isalpha(static_cast<unsigned char>(a[1])))) {
      // "-", negative numbers and ordinary words are positional.
      positional_.push_back(a);
      continue;
    }
    if (a == "--") {
      onlyPositional = true;
      continue;
    }
    std::string name = a;
    std::optional<std::string> inlineValue;
    if (const auto eq = a.find('='); eq != std::string::npos && a.rfind("--", 0) == 0) {
      name = a.substr(0, eq);
      inlineValue = a.substr(eq + 1);
    }
    if (Contains(flagOptions, name)) {
      if (inlineValue) throw UsageError("选项 " + name + " 不带参数");
      flags_[name] = true;
    } else if (Contains(valueOptions, name) || Contains(repeatable, name)) {
      std::string v;
      if (inlineValue) {
        v = *inlineValue;
      } else {
        if (i + 1 >= args.size()) throw UsageError("选项 " + name + " 缺少参数");
        v = args[++i];
      }
      auto& slot = values_[name];
      if (!slot.empty() && !Contains(repeatable, name)) throw UsageError("选项 " + name + " 只能给一次");
      slot.push_back(v);
    } else {
      throw UsageError("未知选项: " + name);
    }
  }
}

bool Args::flag(const std::string& name) const { return flags_.count(name) > 0; }

std::optional<std::string> Args::value(const std::string& name) const {
  const auto it = values_.find(name);
  if (it == values_.end() || it->second.empty()) return std::nullopt;
  return it->second.back();
}

std::vector<std::string> Args::values(const std::string& name) const {
  const auto it = values_.find(name);
  return it == values_.end() ? std::vector<std::string>{} : it->second;
}

std::optional<double> Args::number(const std::string& name) const {
  const auto v = value(name);
  if (!v) return std::nullopt;
  const auto n = StrToFloat(*v);
  if (!n) throw UsageError("选项 " + name + " 需要一个数: " + *v);
  return static_cast<double>(*n);
}

std::optional<long long> Args::integer(const std::string& name) const {
  const auto v = value(name);
  if (!v) return std::nullopt;
  const auto n = StrToInt(*v);
  if (!n) throw UsageError("选项 " + name + " 需要一个整数: " + *v);
  return *n;
}

}  // namespace tarvik::cli
