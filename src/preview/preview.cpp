#include "preview/preview.h"

#include <QImageWriter>
#include <filesystem>

#include "common/error.h"
#include "common/text_util.h"
#include "preview/gui_application.h"
#include "preview/scene_painter.h"
#include "preview/svg_writer.h"

namespace tarvik {
namespace {

// At most this many names in a message; the rest are counted.
constexpr std::size_t kListedFrames = 40;

std::string FrameList(const std::vector<FrameInfo>& frames) {
  std::string out;
  for (std::size_t i = 0; i < frames.size() && i < kListedFrames; ++i) out += "\n  " + frames[i].frame;
  if (frames.size() > kListedFrames) out += "\n  ……(共" + std::to_string(frames.size()) + "个图廓)";
  return out;
}

void CheckDpi(int dpi) {
  if (dpi < kMinPreviewDpi || dpi > kMaxPreviewDpi)
    throw RunError("预览分辨率应在 " + std::to_string(kMinPreviewDpi) + " 到 " +
                   std::to_string(kMaxPreviewDpi) + " dpi 之间: " + std::to_string(dpi));
}

void MakeParentFolder(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
}

}  // namespace

std::optional<PreviewFormat> PreviewFormatOf(const std::string& path) {
  const std::string ext = ToLowerAscii(std::filesystem::path(path).extension().string());
  if (ext == ".png") return PreviewFormat::Png;
  if (ext == ".svg") return PreviewFormat::Svg;
  if (ext == ".pdf") return PreviewFormat::Pdf;
  return std::nullopt;
}

std::vector<std::string> ListFrames(const std::string& outputPath) {
  const OutputReader reader(outputPath);
  std::vector<std::string> out;
  for (const auto& f : reader.frames()) out.push_back(f.frame);
  return out;
}

const FrameInfo& SelectFrame(const OutputReader& reader, const std::string& name,
                             const std::string& outputPath) {
  const auto& frames = reader.frames();
  if (frames.empty()) throw RunError("输出 " + outputPath + " 中没有图廓");
  if (name.empty()) {
    if (frames.size() == 1) return frames[0];
    throw RunError("输出 " + outputPath + " 中有" + std::to_string(frames.size()) +
                   "个图廓，请指定其中一个:" + FrameList(frames));
  }
  for (const auto& f : frames)
    if (f.frame == name) return f;
  throw RunError("输出 " + outputPath + " 中没有图廓 " + name + "。其中的图廓:" + FrameList(frames));
}

PreviewResult RenderFrame(const std::string& outputPath, const std::string& frameName,
                          const std::string& imagePath, int dpi, const PreviewOptions& options) {
  const auto format = PreviewFormatOf(imagePath);
  if (!format) throw RunError("预览文件的扩展名应为 .png、.svg 或 .pdf: " + imagePath);
  CheckDpi(dpi);
  GuiApplicationScope gui;
  const OutputReader reader(outputPath);
  const FrameInfo& frame = SelectFrame(reader, frameName, outputPath);
  const PreviewScene scene = BuildPreviewScene(reader, frame, options);

  PreviewResult result{frame.frame, scene.pageMm, {}};
  MakeParentFolder(imagePath);
  switch (*format) {
    case PreviewFormat::Png: {
      QImage image = RenderSceneImage(scene, dpi);
      // Where the page lies on the ground, so that other renderings can be
      // laid over the picture: the top-left corner in ground metres (for
      // geographic frames those of the equirectangular drawing) and the scale.
      image.setText("Tarvik-Frame", QString::fromStdString(scene.frame));
      image.setText("Tarvik-Origin", QString::number(scene.originEast, 'f', 4) + " " +
                                         QString::number(scene.originNorth, 'f', 4));
      image.setText("Tarvik-Scale", QString::number(scene.scaleDenominator, 'g', 12));
      QImageWriter writer(QString::fromStdString(imagePath), "png");
      if (!writer.write(image))
        throw RunError("不能写入预览文件 " + imagePath + ": " + writer.errorString().toStdString());
      result.pixels = image.size();
      break;
    }
    case PreviewFormat::Svg:
      WriteSceneSvg(scene, imagePath);
      break;
    case PreviewFormat::Pdf:
      WriteScenePdf(scene, imagePath);
      break;
  }
  return result;
}

QImage RenderFrameImage(const std::string& outputPath, const std::string& frameName, int dpi,
                        const PreviewOptions& options) {
  CheckDpi(dpi);
  GuiApplicationScope gui;
  const OutputReader reader(outputPath);
  const PreviewScene scene = BuildPreviewScene(reader, SelectFrame(reader, frameName, outputPath), options);
  return RenderSceneImage(scene, dpi);
}

}  // namespace tarvik
