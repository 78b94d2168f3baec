// What the durability suites share: the features per frame GDAL finds in an
// output, the frames a run reported, a block of 1200 sheets with what an
// uninterrupted shared-layout run writes for each, and a small disk.
#pragma once

#include <gtest/gtest.h>
#include <chrono>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "support/gdal_readback.h"
#include "support/test_support.h"

namespace tarvik::test {

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

struct Sizes {
  std::size_t lines = 0, polygons = 0, texts = 0;
  bool operator==(const Sizes&) const = default;
};

// Features per frame of a per-frame output, as GDAL reads its classes.
inline std::map<std::string, Sizes> SizesOf(const ReadStore& store) {
  std::map<std::string, Sizes> out;
  for (const auto& [name, layer] : store.layers) {
    if (name.size() < 3 || name[1] != '_') continue;
    Sizes& s = out[name.substr(2)];
    (name[0] == 'L' ? s.lines : name[0] == 'p' ? s.polygons : s.texts) = layer.features.size();
  }
  return out;
}

// The frames the run reported done ("[k/N] NAME" lines), in order.
inline std::vector<std::string> Reported(const std::string& err) {
  std::vector<std::string> names;
  static const std::regex line(R"(\[\d+/\d+\] (\S+)\n)");
  for (auto it = std::sregex_iterator(err.begin(), err.end(), line); it != std::sregex_iterator(); ++it)
    names.push_back((*it)[1]);
  return names;
}

inline int WrittenCount(const std::string& err, const char* pattern) {
  std::smatch m;
  if (!std::regex_search(err, m, std::regex(pattern))) return -1;
  return std::stoi(m[1]);
}

// Features per frame of a shared-layout output, counted by GDAL from the
// frame names alone (a thousand frames read whole would take seconds).
inline std::map<std::string, Sizes> SharedSizesOf(const std::string& output) {
  std::map<std::string, Sizes> out;
  GDALAllRegister();
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(output.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  if (!ds) {
    ADD_FAILURE() << "GDAL cannot open " << output;
    return out;
  }
  for (const char* name : {"L_frames", "p_frames", "a_frames"}) {
    OGRLayer* layer = ds->GetLayerByName(name);
    if (!layer) continue;
    const char* ignored[] = {"OGR_GEOMETRY", nullptr};
    layer->SetIgnoredFields(ignored);
    for (auto& f : *layer) {
      Sizes& s = out[f->GetFieldAsString("FrameName")];
      ++(name[0] == 'L' ? s.lines : name[0] == 'p' ? s.polygons : s.texts);
    }
    EXPECT_LT(CPLGetLastErrorType(), CE_Failure) << name << " of " << output << ": " << CPLGetLastErrorMsg();
  }
  return out;
}

// A folder of test data made once per build of tarvik-cli, in the
// temporary folder, shared by the test processes (ctest runs every test in
// a process of its own): `make` fills the folder it is given; the first
// process to finish puts its folder in place. Folders of earlier builds go
// once they are an hour old.
inline std::string CachedData(const std::string& tag, const std::function<void(const std::string&)>& make) {
  namespace fs = std::filesystem;
  struct stat st {};
  stat(CliPath().c_str(), &st);
  const std::string key = std::to_string(st.st_size) + "-" + std::to_string(st.st_mtim.tv_sec) + "-" +
                          std::to_string(st.st_mtim.tv_nsec);
  const fs::path temp = fs::temp_directory_path();
  const std::string prefix = "tarvik-test-" + tag + "-";
  const std::string folder = (temp / (prefix + key)).string();
  if (fs::exists(folder + "/done")) return folder;
  // Another build's folders may be in use by its own tests running beside
  // these (two build folders tested at once): only those untouched for an
  // hour go.
  std::error_code ec;
  const auto stale = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (const auto& entry : fs::directory_iterator(temp, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0 || name.find(key) != std::string::npos) continue;
    std::error_code time_ec;
    const auto written = fs::last_write_time(entry.path(), time_ec);
    if (!time_ec && written < stale) fs::remove_all(entry.path(), ec);
  }
  const std::string work = folder + ".tmp-" + std::to_string(getpid());
  fs::create_directories(work);
  make(work);
  // Data that failed to be made is never published for other tests to use:
  // this test fails with the cause, the next one makes it again.
  if (::testing::Test::HasFailure()) return work;
  WriteFile(work + "/done", "");
  fs::rename(work, folder, ec);
  if (ec) fs::remove_all(work, ec);
  return folder;
}

inline void WriteSizes(const std::string& file, const std::map<std::string, Sizes>& sizes) {
  std::ofstream out(file);
  for (const auto& [name, s] : sizes)
    out << name << ' ' << s.lines << ' ' << s.polygons << ' ' << s.texts << '\n';
}

inline std::map<std::string, Sizes> ReadSizes(const std::string& file) {
  std::map<std::string, Sizes> sizes;
  std::ifstream in(file);
  std::string name;
  Sizes s;
  while (in >> name >> s.lines >> s.polygons >> s.texts) sizes[name] = s;
  return sizes;
}

// An index of 1200 sheets and what a shared-layout run writes for each.
struct SheetBlock {
  std::string folder, index;
  std::map<std::string, Sizes> reference;
  SheetBlock() {
    folder = CachedData("block", [](const std::string& work) {
      EXPECT_EQ(RunCli({"make-index", "--scale", "10000", "--bbox", "88", "16", "89.5625", "18", "-o",
                        work + "/block.shp"})
                    .exitCode,
                0);
      const CliResult ref = RunCli({"index", work + "/block.shp", "-o", work + "/ref.gpkg", "--name-template",
                                    "[TFH]", "--layout", "shared", "--no-project"});
      EXPECT_EQ(ref.exitCode, 0) << ref.err;
      WriteSizes(work + "/sizes", SharedSizesOf(work + "/ref.gpkg"));
      std::filesystem::remove(work + "/ref.gpkg");
    });
    index = folder + "/block.shp";
    reference = ReadSizes(folder + "/sizes");
  }
};

inline const SheetBlock& Block() {
  static const SheetBlock block;
  return block;
}

inline std::vector<std::string> SharedRun(const std::string& output, std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"index", Block().index, "-o",       output,   "--name-template",
                                   "[TFH]", "--verbose",   "--layout", "shared", "--no-project"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// Every frame the catalog of a shared-layout output lists is what the
// uninterrupted run wrote for it, and the classes hold no other; the frames
// listed, in order.
inline std::vector<std::string> CheckSharedFrames(const std::string& output,
                                                  const std::vector<std::string>& listed) {
  const auto found = SharedSizesOf(output);
  for (const std::string& name : listed) {
    const auto it = found.find(name);
    EXPECT_TRUE(it != found.end() && it->second == Block().reference.at(name)) << name << " is incomplete";
  }
  for (const auto& [name, sizes] : found)
    EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end())
        << name << " is written but not listed";
  return listed;
}

// A tmpfs of `megabytes` mounted for the test (root only).
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& at, int megabytes = 2) : at_(at) {
    std::filesystem::create_directories(at);
    const std::string size = "size=" + std::to_string(megabytes) + "m";
    mounted_ = geteuid() == 0 && mount("tarvik-test", at.c_str(), "tmpfs", 0, size.c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) umount2(at_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  std::string at_;
  bool mounted_ = false;
};

}  // namespace tarvik::test
