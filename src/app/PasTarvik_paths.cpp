// The input and output paths of the main window: the output's save dialog,
// files dropped on the window, and the lists of recent inputs and outputs.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

#include "app/PasTarvik.h"
#include "frame/input_facts.h"
#include "settings_ui/radio_group.h"

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

constexpr int kRecentPaths = 8;

bool EndsWith(const QString& path, const char* ending) { return path.endsWith(ending, Qt::CaseInsensitive); }

}  // namespace

void TFrmTarvik::btnoutClick() {
  // The kind of the output as it stands is offered first, so that choosing
  // a name keeps it (a .gpkg stays a .gpkg); a name typed with a known
  // ending keeps its own.
  QStringList filters = {U("文件地理数据库 (*.gdb)"), U("GeoPackage (*.gpkg)"), U("DXF图形 (*.dxf)")};
  QStringList extensions = {"*.gdb", "*.gpkg", "*.dxf"};
  for (int i = 1; i < static_cast<int>(extensions.size()); ++i) {
    if (!edtoutFile->text().trimmed().endsWith(extensions[i].mid(1), Qt::CaseInsensitive)) continue;
    filters.move(i, 0);
    extensions.move(i, 0);
  }
  if (!dialogs_.saveFile) return;
  const auto choice = dialogs_.saveFile(edtoutFile->text(), filters);
  if (!choice) return;
  const QString path =
      EndsWith(choice->path, ".gdb") || EndsWith(choice->path, ".gpkg") || EndsWith(choice->path, ".dxf")
          ? choice->path
          : PathWithChosenExtension(choice->path, extensions, choice->filterIndex, extensions.front().mid(1));
  edtoutFile->setText(path);
}

bool TFrmTarvik::DropFiles(const QMimeData* data, bool take) {
  if (!data || !data->hasUrls() || running_) return false;
  QString input, output;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = QFileInfo(url.toLocalFile()).absoluteFilePath();
    if (EndsWith(path, ".shp") && input.isEmpty()) input = path;
    if ((EndsWith(path, ".gdb") || EndsWith(path, ".gpkg") || EndsWith(path, ".dxf")) && output.isEmpty())
      output = path;
  }
  if (input.isEmpty() && output.isEmpty()) return false;
  if (!take) return true;
  if (!output.isEmpty()) {
    edtoutFile->setText(output);
    RememberPath(lstRecentOutputs, output);
  }
  if (!input.isEmpty()) {
    // A shapefile is framed in the file mode its features call for: sheets
    // as a standard sheet index, other polygons as an area file.
    Guarded([&] {
      rgtype->setItemIndex(LooksLikeSheetIndex(InspectInput(input.toStdString())) ? 1 : 2);
      PickInput(input);
    });
  }
  return true;
}

void TFrmTarvik::dragEnterEvent(QDragEnterEvent* event) {
  if (DropFiles(event->mimeData(), false)) event->acceptProposedAction();
}

void TFrmTarvik::dropEvent(QDropEvent* event) {
  if (DropFiles(event->mimeData(), true)) event->acceptProposedAction();
}

void TFrmTarvik::RememberPath(QListWidget* list, const QString& path) {
  if (path.trimmed().isEmpty()) return;
  for (int i = list->count() - 1; i >= 0; --i)
    if (list->item(i)->text() == path) delete list->takeItem(i);
  list->insertItem(0, path);
  while (list->count() > kRecentPaths) delete list->takeItem(list->count() - 1);
}

void TFrmTarvik::FillRecentMenu(QMenu* menu, QListWidget* list, bool inputs) {
  menu->clear();
  for (int i = 0; i < list->count(); ++i) {
    const QString path = list->item(i)->text();
    QAction* action = menu->addAction(path);
    connect(action, &QAction::triggered, this, [this, path, inputs] {
      if (inputs) {
        Guarded([&] { PickInput(path); });
      } else {
        edtoutFile->setText(path);
        RememberPath(lstRecentOutputs, path);
      }
    });
  }
  if (list->count() == 0) menu->addAction(U("（没有）"))->setEnabled(false);
}

}  // namespace tarvik
