// The output-name template of the file modes: a text such as "[TFH]" or
// "[NAME]图" whose field between "[" and "]" names each frame after the
// feature's value of that field; and the frame names made from it.
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
// The same checks before the input's fields are known: the first two
// refusals, and "文件名中，必须包括字段" when nothing stands between "[" and
// "]". Returns the field as written.
std::string TemplateField(const std::string& nameTemplate);

// The template with its field replaced by `field`: what comes before the
// first "[" and after the first "]" is kept; a template without brackets
// becomes "[" + field + "]".
std::string TemplateWithField(const std::string& nameTemplate, const std::string& field);

// The naming field after a new input file was picked: the field chosen
// before when the new file has it (in the file's spelling), else its sheet
// numbers (TFH) for an index, else its first field of its own (not FID),
// else FID; empty without fields. Letter case is ignored.
std::string FieldOfNewInput(const std::string& before, const std::vector<std::string>& fields,
                            bool sheetIndex);

// Output name of one frame: the template with the first "[" + field + "]"
// replaced by the value (case-sensitive).
std::string ExpandNameTemplate(const std::string& nameTemplate, const std::string& fieldName,
                               const std::string& value);
// The name as the frame's classes carry it: "-" and "." become "_"; " ",
// "(" and ")" are removed.
std::string CleanFrameName(const std::string& name);

}  // namespace tarvik
