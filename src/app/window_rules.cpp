#include "app/window_rules.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "common/error.h"

namespace tarvik {

bool ScaleTextTypable(const QString& text) {
  static const QRegularExpression pattern(QString::fromUtf8(R"(^\s*(1\s*[:：]\s*)?\d*(\.\d*)?\s*万?\s*$)"));
  return pattern.match(text).hasMatch();
}

QString PathWithChosenExtension(const QString& path, const QStringList& extensions, int filterIndex,
                                const QString& defaultExtension) {
  auto changeExtension = [](const QString& p, const QString& ext) {
    const qsizetype slash = p.lastIndexOf('/');
    const qsizetype dot = p.lastIndexOf('.');
    const QString stem = dot > slash ? p.left(dot) : p;
    return stem + ext;
  };
  auto hasExtension = [](const QString& p) {
    const qsizetype dot = p.lastIndexOf('.');
    return dot > p.lastIndexOf('/') && dot + 1 < p.size();
  };
  QString ext = extensions.value(filterIndex);
  if (const qsizetype star = ext.indexOf('*'); star >= 0) ext.remove(star, 1);
  QString result = changeExtension(path, ext);
  if (!hasExtension(result)) result = changeExtension(result, defaultExtension);
  return result;
}

QString ElapsedText(qint64 ms) {
  if (ms < 3000) return QString::number(ms) + QString::fromUtf8("毫秒");
  if (ms < 60000) return QString::number(ms / 1000.0, 'f', 1) + QString::fromUtf8("秒");
  const qint64 s = ms / 1000;
  if (s < 3600) return QString::fromUtf8("%1分%2秒").arg(s / 60).arg(s % 60);
  return QString::fromUtf8("%1小时%2分%3秒").arg(s / 3600).arg(s / 60 % 60).arg(s % 60);
}

QString DirectoryPart(const QString& path) {
  const qsizetype slash = path.lastIndexOf('/');
  return slash < 0 ? QString() : path.left(slash + 1);
}

QString ShellOpenMessage(ShellOpenResult result) {
  switch (result) {
    case ShellOpenResult::OutOfMemory:
      return QString::fromUtf8("操作系统内存资源不足！");
    case ShellOpenResult::FileNotFound:
      return QString::fromUtf8("文件找不到！");
    case ShellOpenResult::PathNotFound:
      return QString::fromUtf8("路径找不到！");
    case ShellOpenResult::BadFormat:
      return QString::fromUtf8("文件执行格式错误，不能打开！");
    case ShellOpenResult::BadFileName:
      return QString::fromUtf8("文件名错误！");
    case ShellOpenResult::Other:
      break;
  }
  return QString::fromUtf8("文件运行错误！");
}

ShellOpenResult ShellOpenFailure(const QString& path) {
  if (path.isEmpty()) return ShellOpenResult::BadFileName;
  const QFileInfo info(path);
  if (!info.absoluteDir().exists()) return ShellOpenResult::PathNotFound;
  if (!info.exists()) return ShellOpenResult::FileNotFound;
  return ShellOpenResult::Other;
}

}  // namespace tarvik
