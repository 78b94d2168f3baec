#include "frame/name_template.h"

#include "common/error.h"
#include "common/text_util.h"

namespace tarvik {

std::string GetNameField(const std::string& nameTemplate, const std::vector<std::string>& fields) {
  const std::string t = Trim(nameTemplate);
  if (t.empty()) throw RunError("字段值没有设置，所以输出图层名为空");
  const auto open = t.find('[');
  const auto close = t.find(']');
  if (open == std::string::npos || close == std::string::npos) throw RunError("文件名格式不正确");
  const std::string field = close > open ? t.substr(open + 1, close - open - 1) : std::string();
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

}  // namespace tarvik
