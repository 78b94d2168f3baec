// The output-name template of the file modes: a text such as "[TFH]" or
// "[NAME]图" whose field between "[" and "]" names each frame after the
// feature's value of that field.
#pragma once

#include <string>
#include <vector>

namespace tarvik {

// The field name of the template, checked against the fields the input
// offers for naming outputs (letter case ignored). RunError:
//   "字段值没有设置，所以输出图层名为空"  the template is blank;
//   "文件名格式不正确"                    it lacks "[" or "]";
//   "文件名中，必须包括字段"              the text between the first "[" and
//                                         the first "]" is not one of `fields`.
// The name comes back as written in the template.
std::string GetNameField(const std::string& nameTemplate, const std::vector<std::string>& fields);

// The template with its field replaced by `field`: what comes before the
// first "[" and after the first "]" is kept; a template without brackets
// becomes "[" + field + "]".
std::string TemplateWithField(const std::string& nameTemplate, const std::string& field);

}  // namespace tarvik
