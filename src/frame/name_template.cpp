#include "frame/name_template.h"

#include "common/error.h"
#include "common/text_util.h"

namespace tarvik {

namespace {

std::string FieldBetweenBrackets(const std::string& nameTemplate) {
  const std::string t = Trim(nameTemplate);
  if (t.empty()) throw RunError("字段值没有设置，所以输出图层名为空");
  const auto open = t.find('[');
  const auto close = t.find(']');
  if (open == std::string::npos || close == std::string::npos) throw RunError("文件名格式不正确");
  return close > open ? t.substr(open + 1, close - open - 1) : std::string();
}

}  // namespace

std::string TemplateField(const std::string& nameTemplate) {
  std::string field = FieldBetweenBrackets(nameTemplate);
  if (field.empty()) throw RunError("文件名中，必须包括字段");
  return field;
}

std::string GetNameField(const std::string& nameTemplate, const std::vector<std::string>& fields) {
  const std::string field = FieldBetweenBrackets(nameTemplate);
  for (const auto& f : fields)
    if (EqualsNoCase(f, field)) return field;
  throw RunError("文件名中，必须包括字段");
}

std::string TemplateWithField(const std::string& nameTemplate, const std::string& field) {
  const auto open = nameTemplate.find('[');
  const auto close = nameTemplate.find(']');
  const std::string prefix = open == std::string::npos ? "" : nameTemplate.substr(0, open);
  const std::string suffix = close == std::string::npos ? "" : nameTemplate.substr(close + 1);
  return prefix + "[" + field + "]" + suffix;
}

std::string FieldOfNewInput(const std::string& before, const std::vector<std::string>& fields,
                            bool sheetIndex) {
  const auto named = [&fields](const std::string& name) -> std::string {
    for (const std::string& f : fields)
      if (EqualsNoCase(f, name)) return f;
    return {};
  };
  if (const std::string kept = named(before); !before.empty() && !kept.empty()) return kept;
  if (const std::string numbers = named("TFH"); sheetIndex && !numbers.empty()) return numbers;
  for (const std::string& f : fields)
    if (!EqualsNoCase(f, "FID")) return f;
  return fields.empty() ? std::string() : fields.front();
}

std::string ExpandNameTemplate(const std::string& nameTemplate, const std::string& fieldName,
                               const std::string& value) {
  return ReplaceFirst(nameTemplate, "[" + fieldName + "]", value);
}

std::string CleanFrameName(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '-' || c == '.')
      out += '_';
    else if (c != ' ' && c != '(' && c != ')')
      out += c;
  }
  return out;
}

}  // namespace tarvik
