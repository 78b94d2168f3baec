#include "settings_ui/font_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// The faces of Chinese maps, offered first whether installed or not.
const char* const kMapFaces[] = {"宋体", "黑体", "仿宋", "楷体", "微软雅黑"};

bool Installed(const QString& family) {
  return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

}  // namespace

TFontDialog::TFontDialog(const QFont& initial, QWidget* parent) : QDialog(parent) {
  setObjectName("FontDialog");
  setWindowTitle(U("字体"));
  cbFamily = new QComboBox(this);
  cbFamily->setObjectName("cbFamily");
  cbFamily->setEditable(true);
  cbFamily->setInsertPolicy(QComboBox::NoInsert);
  cbFamily->setMinimumWidth(220);
  QStringList faces;
  for (const char* face : kMapFaces) faces << U(face);
  for (const QString& family : QFontDatabase::families())
    if (!faces.contains(family, Qt::CaseInsensitive)) faces << family;
  cbFamily->addItems(faces);
  cbFamily->setEditText(initial.family());

  sePoints = new QSpinBox(this);
  sePoints->setObjectName("sePoints");
  sePoints->setRange(1, 500);
  sePoints->setSuffix(U(" 磅"));
  sePoints->setValue(initial.pointSize() > 0 ? initial.pointSize() : 10);

  chkBold = new QCheckBox(U("粗体"), this);
  chkBold->setChecked(initial.bold());
  chkItalic = new QCheckBox(U("斜体"), this);
  chkItalic->setChecked(initial.italic());
  chkUnderline = new QCheckBox(U("下划线"), this);
  chkUnderline->setChecked(initial.underline());
  chkStrikeOut = new QCheckBox(U("删除线"), this);
  chkStrikeOut->setChecked(initial.strikeOut());

  lblSample = new QLabel(U("示例 AaBb 123 地形图"), this);
  lblSample->setObjectName("lblSample");
  lblSample->setMinimumHeight(60);
  lblSample->setAlignment(Qt::AlignCenter);
  lblSample->setFrameShape(QFrame::StyledPanel);
  lblSubstitute = new QLabel(this);
  lblSubstitute->setObjectName("lblSubstitute");
  lblSubstitute->setWordWrap(true);
  lblSubstitute->setForegroundRole(QPalette::PlaceholderText);

  auto* form = new QFormLayout;
  form->addRow(U("字体名称:"), cbFamily);
  form->addRow(U("大小:"), sePoints);
  auto* styles = new QHBoxLayout;
  for (QCheckBox* c : {chkBold, chkItalic, chkUnderline, chkStrikeOut}) styles->addWidget(c);
  form->addRow(U("样式:"), styles);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(lblSample);
  layout->addWidget(lblSubstitute);
  layout->addWidget(buttons);

  connect(cbFamily, &QComboBox::editTextChanged, this, [this] { UpdateSample(); });
  connect(sePoints, &QSpinBox::valueChanged, this, [this] { UpdateSample(); });
  for (QCheckBox* c : {chkBold, chkItalic, chkUnderline, chkStrikeOut})
    connect(c, &QCheckBox::toggled, this, [this] { UpdateSample(); });
  UpdateSample();
}

QFont TFontDialog::selectedFont() const {
  QFont font;
  font.setFamily(cbFamily->currentText().trimmed());
  font.setPointSize(sePoints->value());
  font.setBold(chkBold->isChecked());
  font.setItalic(chkItalic->isChecked());
  font.setUnderline(chkUnderline->isChecked());
  font.setStrikeOut(chkStrikeOut->isChecked());
  return font;
}

QString TFontDialog::substituteNote() const { return lblSubstitute->text(); }

void TFontDialog::UpdateSample() {
  QFont sample = selectedFont();
  // Big sizes would burst the dialog: the sample shows the face and style.
  sample.setPointSize(std::min(sePoints->value(), 24));
  lblSample->setFont(sample);
  const QString family = selectedFont().family();
  if (family.isEmpty() || Installed(family)) {
    lblSubstitute->clear();
    return;
  }
  lblSubstitute->setText(U("本机没有“") + family + U("”，这里用“") + QFontInfo(sample).family() +
                         U("”显示；字体名称按原样保存，在有这种字体的电脑上（如ArcGIS）按它显示。"));
}

}  // namespace tarvik
