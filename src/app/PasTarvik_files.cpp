// The two file modes of the main window: picking the input file (its
// coordinate system presets the window, its identifying fields fill the field
// list), and the runs over a standard sheet index and over a polygon file.
#include <vector>

#include <QComboBox>
#include <QLineEdit>

#include "app/PasTarvik.h"
#include "common/error.h"
#include "frame/gdb_frame_store.h"
#include "frame/utcreatetk.h"
#include "frame/utstandardMap.h"

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

std::string Text(const QString& text) { return text.toStdString(); }

}  // namespace

void TFrmTarvik::btnfileClick() {
  if (!dialogs_.openFile) return;
  const auto chosen = dialogs_.openFile(edtFile->text(), {U("*.shp (*.shp)")});
  if (!chosen) return;
  edtFile->setText(*chosen);
  // Only inspected: no output, nothing written.
  Tcreatetk inspector(FSettings, FRun, nullptr, feedback_, Text(*chosen));
  ApplyInputSpatialRef(inspector.FInputSpatialRef);
  std::vector<std::string> fields;
  inspector.ListNameFields(fields);
  const QString text = CbField->currentText();
  CbField->clear();
  for (const std::string& field : fields) CbField->addItem(QString::fromStdString(field));
  CbField->setEditText(text);  // the chosen field and the template stay as they were
}

void TFrmTarvik::CreateByStandardFile(const std::string& output, const QString& fieldName) {
  TstandardMap builder(FSettings, FRun, OpenGdbFrameStore(output, feedback_), feedback_,
                       Text(edtFile->text()));
  builder.FWhereClause = Text(reditwhere->text().trimmed());
  builder.FNameField = Text(fieldName);
  builder.FNameTemplate = Text(edtFileName->text());
  builder.Run();
  FRun.ZoneNumberText = builder.run().ZoneNumberText;
  builder.CloseOutput();
}

void TFrmTarvik::CreateByAreaFile(const std::string& output, const QString& fieldName) {
  Tcreatetk builder(FSettings, FRun, OpenGdbFrameStore(output, feedback_), feedback_,
                    Text(edtFile->text()));
  builder.FWhereClause = Text(reditwhere->text().trimmed());
  builder.FNameField = Text(fieldName);
  builder.FNameTemplate = Text(edtFileName->text());
  builder.Run();
  FRun.ZoneNumberText = builder.run().ZoneNumberText;
  builder.CloseOutput();
}

}  // namespace tarvik
