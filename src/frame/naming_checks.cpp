#include "frame/naming_checks.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "common/error.h"
#include "common/gbk.h"
#include "common/text_util.h"
#include "frame/name_template.h"
#include "gdb/class_queries.h"
#include "gdb/output_layout.h"

namespace tarvik {
namespace {

// Values shown in a message: at most this many of each kind.
constexpr std::size_t kShown = 5;

std::string Quoted(const std::string& value) { return "“" + value + "”"; }

// Why the values of `field` cannot name the frames, or none.
std::optional<std::string> NamingValuesProblem(const FeatureClass& input, const std::string& field) {
  // Values by the name the stores compare (letter case ignored), with the
  // spellings met and how many features have each.
  std::map<std::string, std::map<std::string, int>> byKey;
  std::vector<std::string> order;
  std::int64_t missing = 0;
  ReadSelectedFeatures(input, "", [&](const Feature& f) {
    const int index = f.fieldIndex(field);
    if (index >= 0 && std::holds_alternative<std::monostate>(f.value(index))) {
      ++missing;
      return;
    }
    const std::string value = FieldValueText(f, field);
    auto& spellings = byKey[ToUpperAscii(value)];
    if (spellings.empty()) order.push_back(ToUpperAscii(value));
    ++spellings[value];
  });
  std::vector<std::string> repeated, twins;
  for (const std::string& key : order) {
    const auto& spellings = byKey[key];
    if (spellings.size() > 1) {
      std::string both;
      for (const auto& [spelling, count] : spellings) both += (both.empty() ? "" : "与") + Quoted(spelling);
      twins.push_back(both);
    }
    for (const auto& [spelling, count] : spellings)
      if (count > 1) repeated.push_back(Quoted(spelling) + "有" + std::to_string(count) + "个要素");
  }
  if (repeated.empty() && twins.empty() && missing == 0) return std::nullopt;
  const auto list = [](const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < kShown; ++i) text += (i ? "，" : "") + items[i];
    if (items.size() > kShown) text += "……（共" + std::to_string(items.size()) + "处）";
    return text;
  };
  std::string why = "字段" + field + "的值不能区分各个图廓：";
  std::vector<std::string> parts;
  if (!repeated.empty()) parts.push_back("值重复：" + list(repeated));
  if (!twins.empty()) parts.push_back("只差字母大小写（输出中视为同名）：" + list(twins));
  if (missing > 0) parts.push_back(std::to_string(missing) + "个要素没有值");
  for (std::size_t i = 0; i < parts.size(); ++i) why += (i ? "；" : "") + parts[i];
  return why;
}

// The encoding the shapefile's .cpg declares, as written there ("" when it
// has none).
std::string DeclaredEncoding(const std::string& shpPath) {
  std::ifstream in(std::filesystem::path(shpPath).replace_extension(".cpg"), std::ios::binary);
  std::string text;
  std::getline(in, text);
  return Trim(text);
}

}  // namespace

std::string CheckNamingField(const FeatureClass& input, const std::string& nameTemplate,
                             const std::vector<std::string>& nameFields) {
  try {
    return GetNameField(nameTemplate, nameFields);
  } catch (const RunError& refused) {
    const std::string field = TemplateField(nameTemplate);
    std::vector<std::string> all;
    ListAttributeFields(input, all);
    bool present = false;
    for (const std::string& f : all) present = present || EqualsNoCase(f, field);
    std::string usable;
    for (const std::string& f : nameFields) usable += (usable.empty() ? "" : "、") + f;
    const std::string offer =
        usable.empty() ? "；这个文件没有能区分各个图廓的字段" : "；能用的字段：" + usable;
    if (!present) throw RunError(std::string(refused.what()) + "：文件中没有字段" + field + offer);
    if (const auto why = NamingValuesProblem(input, field))
      throw RunError(std::string(refused.what()) + "：" + *why + offer);
    throw;
  }
}

void TextEncodingCheck::add(const Feature& feature, const std::string& label) {
  for (std::size_t i = 0; i < feature.fieldNames().size(); ++i) {
    const auto* text = std::get_if<std::string>(&feature.value(static_cast<int>(i)));
    if (!text || IsValidUtf8(*text)) continue;
    if (bad_++ == 0) {
      field_ = feature.fieldNames()[i];
      label_ = label;
      value_ = *text;
    }
  }
}

void TextEncodingCheck::check() const {
  if (bad_ == 0) return;
  const std::string declared = DeclaredEncoding(path_);
  std::string shown;
  if (const auto gbk = TryGbkToUtf8(value_)) {
    shown = "，按GBK读是" + Quoted(*gbk);
  } else {
    static const char* const kHex = "0123456789ABCDEF";
    for (std::size_t i = 0; i < value_.size() && i < 16; ++i) {
      const auto b = static_cast<unsigned char>(value_[i]);
      shown += std::string(shown.empty() ? "，字节 " : " ") + kHex[b >> 4] + kHex[b & 15];
    }
  }
  const std::string cpg = std::filesystem::path(path_).replace_extension(".cpg").string();
  throw RunError(path_ + "的文字不是" + (declared.empty() ? std::string("UTF-8") : declared) + "编码" +
                 (declared.empty() ? "" : "（" + cpg + "所说的）") + "：第一个是" + label_ + "的字段" +
                 field_ + shown + "（共" + std::to_string(bad_) + "个值）。如果文件的文字是GBK编码，请把" +
                 cpg + "的内容改为 936；否则请改正这些值");
}

void CheckFrameNames(const std::vector<std::string>& names, bool sharedLayout) {
  std::vector<std::string> piped;
  for (const std::string& name : names) {
    if (name.find('|') != std::string::npos) piped.push_back(Quoted(name));
    // The dataset of the shared classes is "y" + "frames".
    if (sharedLayout && EqualsNoCase("y" + name, kSharedDataset))
      throw RunError(
          "图廓名称" + Quoted(name) + "是共用图层的数据集" + kSharedDataset +
          "的名称，共用图层的输出中不能用；请换一个字段或修改模板，或每幅一组图层输出（--layout per-frame）");
  }
  if (piped.empty()) return;
  std::string list;
  for (std::size_t i = 0; i < piped.size() && i < kShown; ++i) list += (i ? "、" : "") + piped[i];
  if (piped.size() > kShown) list += "……（共" + std::to_string(piped.size()) + "个）";
  throw RunError("图廓名称不能含有“|”（QGIS工程用它分隔数据源的各部分，这样的图层打不开）：" + list +
                 "；请换一个字段或修改模板");
}

}  // namespace tarvik
