#include "deliver/file_output.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/error.h"

namespace tarvik::deliver {

void WriteTextFile(const std::string& path, const std::string& content) {
  const std::string temporary = path + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << content;
    out.flush();
    if (!out) {
      std::error_code ec;
      std::filesystem::remove(temporary, ec);
      throw RunError("不能写入文件 " + path);
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    throw RunError("不能写入文件 " + path + "：" + ec.message());
  }
}

}  // namespace tarvik::deliver
