// What the names of a run's frames and the text of its input must be for
// every store and every QGIS project to take them, checked before a run:
// the naming field's values (different on every feature, letter case
// ignored, none empty), the input's text (valid in the encoding its .cpg
// declares), and the frame names themselves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gdb/feature.h"
#include "gdb/feature_class.h"

namespace tarvik {

// The field of the name template, as GetNameField (name_template.h) finds
// it among `nameFields` (the fields whose values differ on every feature).
// When the template names a field of the input that is not among them, the
// refusal "文件名中，必须包括字段" says why: the first values that repeat,
// that differ only in letter case, or features without a value.
std::string CheckNamingField(const FeatureClass& input, const std::string& nameTemplate,
                             const std::vector<std::string>& nameFields);

// Text read from a shapefile whose .cpg declares UTF-8 but whose bytes are
// not (a GBK file with a wrong .cpg): frame names and texts made from it
// would be invalid for every reader. Fed every selected feature; check()
// refuses naming the field, the feature and the value (as GBK reads it).
class TextEncodingCheck {
 public:
  explicit TextEncodingCheck(std::string inputPath) : path_(std::move(inputPath)) {}
  void add(const Feature& feature, const std::string& label);
  // RunError when a value was not valid UTF-8.
  void check() const;

 private:
  std::string path_;
  std::int64_t bad_ = 0;
  std::string field_, label_, value_;
};

// RunError naming the frames whose names no project or store can take: a
// "|" (it separates the parts of a QGIS data source), and in the shared
// layout the name "frames", which the shared classes' dataset takes.
void CheckFrameNames(const std::vector<std::string>& names, bool sharedLayout);

}  // namespace tarvik
