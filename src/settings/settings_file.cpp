#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>

#include "common/error.h"
#include "common/text_util.h"
#include "settings/utVeskStream.h"

namespace tarvik {
namespace {

const std::string kFormMark(28, '*');
const std::string kSectionEnd(18, '-');
const std::string kEndMark(21, '|');

// Reads the layout record by record, collecting problems.
class DocumentReader {
 public:
  explicit DocumentReader(std::string_view bytes) : in_(bytes) {}

  SettingsReadResult Read() {
    std::optional<std::string> s = Next();
    if (!s) return Finish();
    while (!StartsWith(*s, "|||")) {
      if (StartsWith(*s, "***") && !(s = Next())) return Finish();
      FormSettings& form = result_.document.forms.emplace_back();
      form.name = Text(*s).value_or(EscapeBytes(*s));
      if (!ReadRecords(form) || !ReadFonts(form) || !(s = Next())) return Finish();
    }
    complete_ = true;
    return Finish();
  }

 private:
  // The next string record; no value at the end of the data.
  std::optional<std::string> Next() {
    start_ = in_.position();
    bool whole = true;
    auto s = in_.ReadString(&whole);
    if (s && !whole)
      Problem("第" + std::to_string(start_ + 1) + "字节处的字符串含有非十六进制字符，只读入了其前部“" +
              Text(*s).value_or(EscapeBytes(*s)) + "”");
    return s;
  }

  std::optional<std::string> Text(const std::string& bytes) { return DecodeFileText(bytes); }

  void Problem(std::string text) {
    if (result_.problems.size() < kMaxSettingsProblems)
      result_.problems.push_back(std::move(text));
    else
      ++untold_;
  }

  bool ReadRecords(FormSettings& form) {
    while (true) {
      auto s = Next();
      if (!s) return false;
      if (StartsWith(*s, "---")) return true;
      auto text = Text(*s);
      if (!text) {
        Problem(form.name + "：记录“" + EscapeBytes(*s) + "”的文字编码无法识别");
        continue;
      }
      auto record = SplitControlRecord(*text);
      if (!record) {
        Problem(form.name + "：记录“" + *text + "”格式不对（应为“名称,属性,值”）");
        continue;
      }
      form.records.push_back(std::move(*record));
    }
  }

  bool ReadFonts(FormSettings& form) {
    while (true) {
      auto s = Next();
      if (!s) return false;
      if (StartsWith(*s, "---")) return true;
      const std::size_t at = in_.position();
      FontRecord font = in_.ReadFont();
      auto name = Text(*s);
      switch (font.status) {
        case FontRecord::Status::Damaged:
          Problem(form.name + "：第" + std::to_string(at + 1) + "字节处的字体记录" +
                  (font.size == 0 || font.size == kLogFontSize
                       ? std::string("不完整")
                       : "长度为" + std::to_string(font.size) + "，不是60"));
          broken_ = true;
          return false;
        case FontRecord::Status::BadFace:
          Problem(form.name + "：" + name.value_or(EscapeBytes(*s)) + "的字体名编码无法识别");
          continue;
        case FontRecord::Status::NoFont:
        case FontRecord::Status::Font:
          break;
      }
      if (!name) {
        Problem(form.name + "：字体按钮名“" + EscapeBytes(*s) + "”的文字编码无法识别");
        continue;
      }
      FontEntry& entry = form.fonts.emplace_back();
      entry.button = std::move(*name);
      if (font.status == FontRecord::Status::Font) entry.font = std::move(font.font);
    }
  }

  SettingsReadResult Finish() {
    if (untold_ > 0) result_.problems.push_back("另有" + std::to_string(untold_) + "处问题没有列出");
    if (!complete_) {
      result_.damaged = true;
      if (!broken_)
        result_.problems.push_back("文件在第" + std::to_string(start_ + 1) +
                                   "字节处提前结束，其后的设置没有读入");
    }
    return std::move(result_);
  }

  TVeskReadStream in_;
  SettingsReadResult result_;
  std::size_t start_ = 0;
  bool complete_ = false;
  bool broken_ = false;
  std::size_t untold_ = 0;
};

std::string Reason() { return std::strerror(errno); }

// Writes all of `data` to `fd`.
bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

SettingsReadResult ReadSettingsDocument(std::string_view bytes) { return DocumentReader(bytes).Read(); }

std::string WriteSettingsDocument(const SettingsDocument& document, std::vector<std::string>* warnings) {
  TVeskWriteStream out;
  auto put = [&](std::string_view text, const std::string& what) {
    if (!out.WriteString(EncodeFileText(text)) && warnings)
      warnings->push_back(what + "太长，只保存了前" + std::to_string(kMaxStringBytes) + "字节");
  };
  for (const auto& form : document.forms) {
    if (form.name.empty()) continue;
    put(kFormMark, "");
    put(form.name, form.name);
    for (const auto& r : form.records) put(FormatControlRecord(r), form.name + "." + r.name);
    put(kSectionEnd, "");
    for (const auto& f : form.fonts) {
      put(f.button, form.name + "." + f.button);
      out.WriteFont(f.font);
    }
    put(kSectionEnd, "");
  }
  put(kEndMark, "");
  return out.data();
}

std::optional<SettingsReadResult> LoadSettingsFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return std::nullopt;
  const auto refuse = [&](const std::string& why) {
    SettingsReadResult unreadable;
    unreadable.unreadable = true;
    unreadable.problems.push_back("无法读取设置文件" + path.string() + "：" + why);
    return unreadable;
  };
  if (std::filesystem::is_directory(path, ec)) return refuse("这是一个文件夹，不是设置文件");
  // A FIFO, a device or a socket: reading it could wait for ever, and it is
  // no settings file anyway.
  if (!std::filesystem::is_regular_file(path, ec)) return refuse("它不是普通文件，不是设置文件");
  std::ifstream in(path, std::ios::binary);
  if (!in) return refuse(std::strerror(errno));
  // One byte past the limit tells a file that is too large, whatever it is
  // (a device has no size to ask for).
  std::string bytes(kMaxSettingsFileSize + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return refuse(std::strerror(errno));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (bytes.size() > kMaxSettingsFileSize)
    return refuse("文件大于" + std::to_string(kMaxSettingsFileSize >> 20) + "MB，不是Tarvik的设置文件");
  return ReadSettingsDocument(bytes);
}

std::vector<std::string> SaveSettingsFile(const std::filesystem::path& path,
                                          const SettingsDocument& document) {
  std::vector<std::string> warnings;
  const std::string bytes = WriteSettingsDocument(document, &warnings);
  const std::string failed = "无法保存设置文件" + path.string() + "：";

  std::error_code ec;
  const std::filesystem::path folder = path.parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
    std::filesystem::create_directories(folder, ec);
    if (ec) throw RunError(failed + ec.message());
  }

  // A new file beside the old one, so that the rename below stays within
  // one file system and replaces the old file in one step.
  std::random_device random;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = path.string() + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(random());
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) throw RunError(failed + Reason());

  // Keep the old file's permissions.
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);

  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  std::string reason = ok ? "" : Reason();
  if (::close(fd) != 0 && ok) {
    ok = false;
    reason = Reason();
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    reason = Reason();
  }
  if (!ok) {
    ::unlink(temp.c_str());
    throw RunError(failed + reason);
  }
  // Make the rename itself durable; a failure here loses nothing already saved.
  const std::string folderName = folder.empty() ? "." : folder.string();
  if (const int dir = ::open(folderName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return warnings;
}

}  // namespace tarvik
