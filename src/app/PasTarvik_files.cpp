// The two file modes of the main window: picking the input file (its
// coordinate system presets the window, its identifying fields fill the field
// list), and the runs over a standard sheet index and over a polygon file.
#include <vector>

#include <QComboBox>
#include <QLineEdit>

#include "app/PasTarvik.h"
#include "common/error.h"
#include "frame/dxf_frame_store.h"
#include "frame/input_facts.h"
#include "frame/name_template.h"
#include "frame/file_builder.h"
#include "settings_ui/radio_group.h"

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

std::string Text(const QString& text) { return text.toStdString(); }

}  // namespace

void TFrmTarvik::btnfileClick() {
  if (!dialogs_.openFile) return;
  const auto chosen = dialogs_.openFile(edtFile->text(), {U("*.shp (*.shp)")});
  if (chosen) PickInput(*chosen);
}

void TFrmTarvik::PickInput(const QString& path) {
  edtFile->setText(path);
  RememberPath(lstRecentInputs, path);
  // Only inspected: nothing written.
  const InputInspection inspection = InspectInput(Text(path));
  ApplyInputSpatialRef(inspection.ref);
  const std::vector<std::string>& fields = inspection.nameFields;
  QStringList names;
  for (const std::string& field : fields) names << QString::fromStdString(field);
  const std::string field = FieldOfNewInput(Text(CbField->currentText()), fields, rgtype->itemIndex() == 1);
  CbField->clear();
  CbField->addItems(names);
  CbField->setCurrentIndex(static_cast<int>(names.indexOf(QString::fromStdString(field))));
  // A template naming a field the new file lacks gets the chosen one.
  bool templateNamesAField = false;
  try {
    templateNamesAField = !tarvik::GetNameField(Text(edtFileName->text()), fields).empty();
  } catch (const RunError&) {
  }
  if (!templateNamesAField && !field.empty())
    edtFileName->setText(QString::fromStdString(TemplateWithField(Text(edtFileName->text()), field)));
  FollowNameField(CbField->currentText());
}

TtkBaseClass::Counts TFrmTarvik::CreateByFile(CreationMode mode, const std::string& output,
                                               const QString& fieldName) {
  const auto builder =
      MakeFileBuilder(mode, FSettings, FRun, OpenFrameStore(output, feedback_, OutputLayoutOf(FSettings)), feedback_, Text(edtFile->text()));
  // The progress window names the frame just drawn.
  builder->FOnFrameDone = [this](int, int, const std::string& name) {
    progress_.SetCurrentName(QString::fromStdString(name));
  };
  builder->FWhereClause = Text(reditwhere->text().trimmed());
  builder->FNameField = Text(fieldName);
  builder->FNameTemplate = Text(edtFileName->text());
  builder->RunAndClose(output);
  // The run keeps the zone text the builder used.
  FRun.ZoneNumberText = builder->run().ZoneNumberText;
  return builder->counts();
}

}  // namespace tarvik
