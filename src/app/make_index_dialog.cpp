#include "app/make_index_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/error.h"
#include "sheets/uttfhao.h"

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

QDoubleSpinBox* Degrees(double value, double min, double max, QWidget* parent) {
  auto* box = new QDoubleSpinBox(parent);
  box->setDecimals(4);
  box->setRange(min, max);
  box->setValue(value);
  return box;
}

QPushButton* Browse(QWidget* parent, QLineEdit* edit, bool save) {
  auto* button = new QPushButton(U("浏览"), parent);
  QObject::connect(button, &QPushButton::clicked, parent, [parent, edit, save] {
    const QString filter = U("*.shp (*.shp)");
    const QString path = save ? QFileDialog::getSaveFileName(parent, U("分幅索引"), edit->text(), filter)
                              : QFileDialog::getOpenFileName(parent, U("覆盖文件"), edit->text(), filter);
    if (!path.isEmpty())
      edit->setText(save && !path.endsWith(".shp", Qt::CaseInsensitive) ? path + ".shp" : path);
  });
  return button;
}

}  // namespace

MakeIndexDialog::MakeIndexDialog(const QString& sheetNumber, const QString& folder, QWidget* parent)
    : QDialog(parent) {
  setObjectName("MakeIndexDialog");
  setWindowTitle(U("生成标准分幅索引"));
  auto* form = new QFormLayout;
  cbScale = new QComboBox(this);
  for (int i = 0; i < 8; ++i) {
    const long d = ScaleDenominatorOfIndex(i);
    cbScale->addItem(U("1:") + QString::number(d), static_cast<qlonglong>(d));
  }
  cbScale->setCurrentIndex(6);  // 1:10 000
  form->addRow(U("比例尺:"), cbScale);

  rbBox = new QRadioButton(U("经纬度范围"), this);
  west = Degrees(116, -180, 180, this);
  south = Degrees(39, 0, 88, this);
  east = Degrees(116.25, -180, 180, this);
  north = Degrees(39.2, 0, 88, this);
  auto* box = new QHBoxLayout;
  for (auto [label, spin] :
       {std::pair{"西", west}, std::pair{"南", south}, std::pair{"东", east}, std::pair{"北", north}}) {
    box->addWidget(new QLabel(U(label), this));
    box->addWidget(spin);
  }
  form->addRow(rbBox, box);
  rbSheet = new QRadioButton(U("图幅的范围"), this);
  edtSheet = new QLineEdit(sheetNumber, this);
  edtSheet->setToolTip(U("该图幅范围内的各个图幅，如 1:5万图幅中的 1:1万图幅"));
  form->addRow(rbSheet, edtSheet);
  rbCover = new QRadioButton(U("覆盖文件"), this);
  edtCover = new QLineEdit(this);
  auto* cover = new QHBoxLayout;
  cover->addWidget(edtCover, 1);
  cover->addWidget(Browse(this, edtCover, false));
  form->addRow(rbCover, cover);
  (sheetNumber.isEmpty() ? rbBox : rbSheet)->setChecked(true);

  edtIndex = new QLineEdit(folder.isEmpty() ? QString() : folder + "/sheets.shp", this);
  auto* out = new QHBoxLayout;
  out->addWidget(edtIndex, 1);
  out->addWidget(Browse(this, edtIndex, true));
  form->addRow(U("输出索引(.shp):"), out);

  auto* note = new QLabel(U("坐标系统、分带和中央经线取自主窗口；图幅号写入字段 TFH。"), this);
  note->setForegroundRole(QPalette::PlaceholderText);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(U("生成"));
  buttons->button(QDialogButtonBox::Cancel)->setText(U("取消"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(note);
  layout->addWidget(buttons);
}

IndexRequest MakeIndexDialog::request() const {
  IndexRequest r;
  r.scale = static_cast<long>(cbScale->currentData().toLongLong());
  r.output = edtIndex->text().trimmed().toStdString();
  if (rbCover->isChecked()) {
    r.coverPath = edtCover->text().trimmed().toStdString();
    if (r.coverPath.empty()) throw RunError("请选择覆盖文件");
  } else if (rbSheet->isChecked()) {
    const MapNoReading reading = ReadMapNo(edtSheet->text().trimmed().toStdString());
    if (!reading.problem.empty()) throw RunError(reading.problem);
    const auto e = DecodeMapNo(reading.number);
    if (!e) throw RunError("输入的" + reading.number + ",错误的图幅号");
    r.box = GeoBox{e->westLon, e->southLat, e->westLon + e->lonSize, e->southLat + e->latSize};
  } else {
    r.box = GeoBox{west->value(), south->value(), east->value(), north->value()};
  }
  return r;
}

}  // namespace tarvik
