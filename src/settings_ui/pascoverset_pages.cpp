// The seven pages of the settings dialog: which controls, captions and
// groups each holds, and how they are laid out.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "settings_ui/font_button.h"
#include "settings_ui/pascoverset.h"
#include "settings_ui/radio_group.h"

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

QLabel* Label(const char* text, QWidget* buddy = nullptr) {
  auto* label = new QLabel(U(text));
  if (buddy) label->setBuddy(buddy);
  return label;
}

QGroupBox* Group(const char* title, const char* name) {
  auto* group = new QGroupBox(U(title));
  group->setObjectName(name);
  return group;
}

// A spin edit with its unit behind it.
QWidget* WithUnit(QWidget* field, const char* unit) {
  auto* box = new QWidget;
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(field);
  row->addWidget(Label(unit));
  row->addStretch();
  return box;
}

// "label field" in a new row of `grid`, or at `column` of its last row.
void AddRow(QGridLayout* grid, const char* label, QWidget* field, int column = 0) {
  int row = 0;
  if (grid->count() > 0) row = column == 0 ? grid->rowCount() : grid->rowCount() - 1;
  grid->addWidget(Label(label, field), row, column);
  grid->addWidget(field, row, column + 1, Qt::AlignLeft);
}

constexpr int kTagged = 1;  // distance, size and interval spin edits
constexpr int kPlain = 0;

}  // namespace

// Page 0 "基本信息": titles and the scale text, each with margin and font.
void TFrmset::BuildBasicPage(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  struct Text {
    const char *title, *group, *edit, *marginLabel, *spin, *font;
  };
  const Text texts[] = {
      {"主标题", "gbMain", "edtmian", "边距(距离外廓上边,单位0.1毫米):", "seMain", "btntlitle1"},
      {"副标题1", "gbSubtitle1", "edtmian1", "边距(距离外廓上边,单位0.1毫米):", "semian1", "btntlitle2"},
      {"副标题2", "gbSubtitle2", "edtmian2", "边距(距离外廓上边,单位0.1毫米):", "semian2", "btntlitle3"},
      {"地图下边中部", "gbScaleText", "edtscale", "边距((距离外廓下边,单位0.1毫米):", "sescale", "btntscale"},
  };
  for (const Text& t : texts) {
    QGroupBox* group = Group(t.title, t.group);
    auto* grid = new QGridLayout(group);
    QLineEdit* edit = MakeEdit(t.edit);
    grid->addWidget(Label("内容:", edit), 0, 0);
    grid->addWidget(edit, 0, 1, 1, 4);
    QSpinBox* spin = MakeSpin(t.spin, kTagged);
    grid->addWidget(Label(t.marginLabel, spin), 1, 0, 1, 1);
    grid->addWidget(spin, 1, 1);
    TFontButton* font = MakeFontButton(t.font);
    grid->addWidget(Label("字体:", font), 1, 3);
    grid->addWidget(font, 1, 4);
    grid->setColumnStretch(2, 1);
    layout->addWidget(group);
  }
  layout->addStretch();
}

// Page 1 "四周标注": the notes around the frame.
void TFrmset::BuildNotesPage(QWidget* page) {
  auto* layout = new QHBoxLayout(page);

  // One note: content, margin, font; `memo` for multi-line notes.
  auto note = [&](const char* title, const char* group, const char* content, bool memo,
                  const char* marginLabel, const char* spin, const char* font) {
    QGroupBox* box = Group(title, group);
    auto* grid = new QGridLayout(box);
    QWidget* field = memo ? MakeMemo(content) : MakeEdit(content);
    grid->addWidget(Label("内容:", field), 0, 0, Qt::AlignTop);
    grid->addWidget(field, 0, 1, 1, 2);
    QSpinBox* margin = MakeSpin(spin, kTagged);
    grid->addWidget(Label(marginLabel, margin), 1, 0, 1, 2);
    grid->addWidget(margin, 1, 2);
    TFontButton* button = MakeFontButton(font);
    grid->addWidget(Label("字体:", button), 2, 0);
    grid->addWidget(button, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    return std::pair{box, grid};
  };
  // The lower-right note also has the centred last part.

  auto [rightDown, rightDownGrid] =
      note("右下角", "gbRightDown", "morb", true, "边距(距离外廓下边,单位0.1毫米):", "serb", "btnrightdown");
  QLineEdit* centred = MakeEdit("edtrightbottom");
  centred->setToolTip(U("主要用于多行文字最后的部分居中处理"));
  QLabel* centredLabel = Label("居中内容", centred);
  centredLabel->setToolTip(centred->toolTip());
  rightDownGrid->addWidget(centredLabel, 3, 0);
  rightDownGrid->addWidget(centred, 3, 1, 1, 2);

  QGroupBox* leftDown =
      note("左下角", "gbLeftDown", "molb", true, "边距(距离外廓下边,单位0.1毫米):", "selb", "btnleftdown")
          .first;
  QGroupBox* rightUp =
      note("右上角", "gbRightUp", "edtru", false, "边距(距离外廓上边,单位0.1毫米):", "seru", "btnRightUp")
          .first;
  QGroupBox* left =
      note("左边单位信息", "gbLeft", "edtleft", false, "边距(距离外廓左边,单位0.1毫米):", "seleft", "btnleft")
          .first;

  QGroupBox* title = Group("右上角图名", "gbMapTitle");
  auto* titleGrid = new QGridLayout(title);
  QLineEdit* titleEdit = MakeEdit("edtmapTitle");
  titleGrid->addWidget(Label("标题内容：", titleEdit), 0, 0);
  titleGrid->addWidget(titleEdit, 0, 1, 1, 2);
  QSpinBox* top = MakeSpin("seMapTitleTop", kTagged);
  titleGrid->addWidget(Label("边距(距离外廓上边,单位0.1毫米):", top), 1, 0, 1, 2);
  titleGrid->addWidget(top, 1, 2);
  QSpinBox* right = MakeSpin("semapTitler", kTagged);
  titleGrid->addWidget(Label("边距(距离外廓右边,单位0.1毫米):", right), 2, 0, 1, 2);
  titleGrid->addWidget(right, 2, 2);
  TFontButton* titleFont = MakeFontButton("btnmapTitle");
  titleGrid->addWidget(Label("字体:", titleFont), 3, 0);
  titleGrid->addWidget(titleFont, 3, 1, 1, 2);
  titleGrid->setColumnStretch(1, 1);

  auto* leftColumn = new QVBoxLayout;
  leftColumn->addWidget(rightDown, 1);
  leftColumn->addWidget(leftDown, 1);
  auto* rightColumn = new QVBoxLayout;
  rightColumn->addWidget(rightUp);
  rightColumn->addWidget(title);
  rightColumn->addWidget(left);
  rightColumn->addStretch();
  layout->addLayout(leftColumn, 3);
  layout->addLayout(rightColumn, 2);
}

// Page 2 "图廓信息": frame distances and corner labels.
void TFrmset::BuildFramePage(QWidget* page) {
  auto* layout = new QVBoxLayout(page);

  QGroupBox* distances = Group("图廓", "gbFrame");
  auto* grid = new QGridLayout(distances);
  AddRow(grid, "内廓与地图间距", WithUnit(MakeSpin("sentod", kTagged), "0.1毫米"));
  AddRow(grid, "内外图廓距离", WithUnit(MakeSpin("senw", kTagged), "0.1毫米"));
  AddRow(grid, "外框宽度:", WithUnit(MakeSpin("seoutw", kTagged), "0.1毫米"));
  grid->setColumnStretch(1, 1);
  layout->addWidget(distances);

  auto* corners = new QHBoxLayout;
  Rg4JAnn = MakeRadio("Rg4JAnn", 1);
  btn4j = MakeFontButton("btn4j");
  btn4jLabel = Label("字体:", btn4j);
  auto* cornerFont = new QHBoxLayout;
  cornerFont->addWidget(btn4jLabel);
  cornerFont->addWidget(btn4j);
  cornerFont->addStretch();
  Rg4JAnn->addBelow(cornerFont);
  corners->addWidget(Rg4JAnn, 1);
  rgdmsmode = MakeRadio("rgdmsmode", 1);
  corners->addWidget(rgdmsmode, 1);
  layout->addLayout(corners);

  auto* details = new QHBoxLayout;
  rgwdalignmode = MakeRadio("rgwdalignmode", 1);
  details->addWidget(rgwdalignmode, 1);
  QGroupBox* digits = Group("位数设置", "gbCornerDigits");
  auto* digitGrid = new QGridLayout(digits);
  AddRow(digitGrid, "千分前位数:", MakeSpin("seForenum", kPlain));
  AddRow(digitGrid, "千分后位数:", MakeSpin("seafternum", kPlain));
  gbCornerDigits = digits;
  details->addWidget(digits, 1);
  layout->addLayout(details);
  layout->addStretch();
}

// Page 3 "网格信息": grid type and what each type needs.
void TFrmset::BuildGridPage(QWidget* page) {
  auto* columns = new QHBoxLayout(page);
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  columns->addLayout(left, 1);
  columns->addLayout(right, 1);

  rgGrid = MakeRadio("rgGrid", 3);
  left->addWidget(rgGrid);

  // Interval panel: kilometre grid and crosshairs.
  pnlInterval = new QWidget;
  pnlInterval->setObjectName("pnlInterval");
  auto* interval = new QVBoxLayout(pnlInterval);
  interval->setContentsMargins(0, 0, 0, 0);
  auto* intervalRow = new QGridLayout;
  Seinterval = MakeSpin("Seinterval", kTagged);
  AddRow(intervalRow, "间隔:", WithUnit(Seinterval, "米"));
  intervalRow->setColumnStretch(1, 1);
  interval->addLayout(intervalRow);
  auto* labelling = new QHBoxLayout;
  rgHor = MakeRadio("rgHor", 1);
  rgver = MakeRadio("rgver", 1);
  labelling->addWidget(rgHor);
  labelling->addWidget(rgver);
  interval->addLayout(labelling);
  QGroupBox* digits = Group("位数设置", "gbGridDigits");
  auto* digitGrid = new QGridLayout(digits);
  AddRow(digitGrid, "千分前位数:", MakeSpin("seannforenum", kPlain));
  AddRow(digitGrid, "千分后位数:", MakeSpin("seannafternum", kPlain));
  gbGridDigits = digits;
  interval->addWidget(digits);
  interval->addWidget(MakeCheck("Chkiskmann"));
  left->addWidget(pnlInterval);

  // Crosshair-length panel: crosshairs only.
  pnlLineLength = new QWidget;
  pnlLineLength->setObjectName("pnlLineLength");
  auto* lineLength = new QGridLayout(pnlLineLength);
  lineLength->setContentsMargins(0, 0, 0, 0);
  SeLineLength = MakeSpin("SeLineLength", kTagged);
  AddRow(lineLength, "线的长度:", WithUnit(SeLineLength, "米"));
  lineLength->setColumnStretch(1, 1);
  left->addWidget(pnlLineLength);

  // Grid fonts: every grid type that writes numbers.
  QGroupBox* fonts = Group("网格标注字体大小设置", "gbGridFont");
  auto* fontGrid = new QGridLayout(fonts);
  AddRow(fontGrid, "大数字体:", MakeFontButton("btnDFont"));
  AddRow(fontGrid, "小数字体:", MakeFontButton("btnXFont"));
  fontGrid->addWidget(MakeCheck("chkSetDa"), 2, 0, 1, 2);
  fontGrid->setColumnStretch(1, 1);
  gbGridFont = fonts;
  left->addWidget(fonts);
  left->addStretch();

  // Graticule intervals: graticule and graticule crosses.
  QGroupBox* graticule = Group("经纬差", "gbJwc");
  auto* graticuleLayout = new QVBoxLayout(graticule);
  auto* graticuleGrid = new QGridLayout;
  AddRow(graticuleGrid, "经度差:", WithUnit(MakeSpin("seJd", kTagged), "秒"));
  AddRow(graticuleGrid, "纬度差:", WithUnit(MakeSpin("sewd", kTagged), "秒"));
  graticuleGrid->setColumnStretch(1, 1);
  graticuleLayout->addLayout(graticuleGrid);
  graticuleLayout->addWidget(MakeRadio("RGJWWZJ", 2));
  gbJwc = graticule;
  right->addWidget(graticule);

  // Graticule-cross panel: graticule crosses only.
  pnlJwCross = new QWidget;
  pnlJwCross->setObjectName("pnlJwCross");
  auto* cross = new QGridLayout(pnlJwCross);
  cross->setContentsMargins(0, 0, 0, 0);
  AddRow(cross, "经纬十字丝长度", WithUnit(MakeSpin("sejwcrosslen", kTagged), "秒"));
  cross->setColumnStretch(1, 1);
  right->addWidget(pnlJwCross);

  TRadioGroup* position = MakeRadio("RGBKZJMode", 3);
  QSpinBox* distance = MakeSpin("edtBKZJDIS", kPlain);
  auto* distanceRow = new QHBoxLayout;
  distanceRow->addWidget(Label("距离外框的距离（0.1毫米)", distance));
  distanceRow->addWidget(distance);
  distanceRow->addStretch();
  position->addBelow(distanceRow);
  right->addWidget(position);

  TRadioGroup* mask = MakeRadio("RGYaSet", 3);
  QSpinBox* extension = MakeSpin("seYaDIS", kPlain);
  auto* extensionRow = new QHBoxLayout;
  extensionRow->addWidget(Label("延伸距离(0.1毫米):", extension));
  extensionRow->addWidget(extension);
  extensionRow->addStretch();
  mask->addBelow(extensionRow);
  right->addWidget(mask);
  right->addStretch();
}

// Page 4 "接合图表信息": the adjacent-sheet table.
void TFrmset::BuildTablePage(QWidget* page) {
  auto* layout = new QVBoxLayout(page);

  QGroupBox* position = Group("相对内图廓左上角的位置(单位0.1毫米)", "gbTablePosition");
  auto* positionGrid = new QGridLayout(position);
  AddRow(positionGrid, "X:", MakeSpin("SeX", kTagged));
  AddRow(positionGrid, "Y:", MakeSpin("SeY", kTagged), 2);
  positionGrid->setColumnStretch(4, 1);
  layout->addWidget(position);

  QGroupBox* size = Group("大小尺寸(单位0.1毫米)", "gbTableSize");
  auto* sizeGrid = new QGridLayout(size);
  AddRow(sizeGrid, "宽度:", MakeSpin("SEW", kTagged));
  AddRow(sizeGrid, "高度:", MakeSpin("SeH", kTagged), 2);
  sizeGrid->setColumnStretch(4, 1);
  layout->addWidget(size);

  QGroupBox* font = Group("标注字体大小设置", "gbTableFont");
  auto* fontRow = new QHBoxLayout(font);
  TFontButton* fontButton = MakeFontButton("btnjionMap");
  fontRow->addWidget(Label("字体:", fontButton));
  fontRow->addWidget(fontButton);
  fontRow->addStretch();
  layout->addWidget(font);

  auto* fieldRow = new QHBoxLayout;
  edtField = MakeEdit("edtField");
  fieldRow->addWidget(Label("图名对应字段名", edtField));
  fieldRow->addWidget(edtField, 1);
  layout->addLayout(fieldRow);
  layout->addWidget(MakeCheck("chkNeighbourNo"));
  layout->addStretch();
}

// Page 5 "比例尺条": the scale bar.
void TFrmset::BuildScaleBarPage(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  QGroupBox* bar = Group("是否标注比例尺条", "gbScaleBar");
  auto* grid = new QGridLayout(bar);
  grid->addWidget(MakeCheck("chkscaleBarShow"), 0, 0, 1, 2);
  AddRow(grid, "长度:", WithUnit(MakeSpin("seScaleBarlen", kTagged), "0.1毫米"));
  AddRow(grid, "刻度最大长度：", WithUnit(MakeSpin("sescalebarkd", kTagged), "0.1毫米"));
  AddRow(grid, "距离外廓下边", WithUnit(MakeSpin("seScaleBarHeight", kTagged), "0.1毫米"));
  grid->setColumnStretch(1, 1);
  layout->addWidget(bar);

  QGroupBox* font = Group("标注字体大小设置", "gbScaleBarFont");
  auto* fontRow = new QHBoxLayout(font);
  TFontButton* fontButton = MakeFontButton("btnscalebarFont");
  fontRow->addWidget(Label("字体:", fontButton));
  fontRow->addWidget(fontButton);
  fontRow->addWidget(Label("(比例尺条、三北方向图和坡度尺的文字)"));
  fontRow->addStretch();
  layout->addWidget(font);

  // The three-north diagram and the slope ruler, side by side.
  auto* margins = new QHBoxLayout;
  QGroupBox* north = Group("三北方向图", "gbNorth");
  auto* northGrid = new QGridLayout(north);
  northGrid->addWidget(MakeCheck("chkNorthShow"), 0, 0, 1, 2);
  AddRow(northGrid, "距内廓右边", WithUnit(MakeSpin("seNorthRight", kPlain), "0.1毫米"));
  AddRow(northGrid, "距外廓下边", WithUnit(MakeSpin("seNorthBelow", kPlain), "0.1毫米"));
  AddRow(northGrid, "线长", WithUnit(MakeSpin("seNorthLength", kPlain), "0.1毫米"));
  AddRow(northGrid, "图上年份:", WithUnit(MakeSpin("seNorthYear", kPlain), "年，0为今年"));
  northGrid->addWidget(MakeRadio("rgDeclination", 2), northGrid->rowCount(), 0, 1, 2);
  AddRow(northGrid, "磁偏角:", WithUnit(MakeSpin("seDeclination", kPlain), "分，东偏为正"));
  AddRow(northGrid, "年变化:", WithUnit(MakeSpin("seDeclinationChange", kPlain), "0.1分/年，东移为正"));
  AddRow(northGrid, "测定年份:", WithUnit(MakeSpin("seDeclinationYear", kPlain), "年，0为图上年份"));
  AddRow(northGrid, "模型文件(.COF):", MakeEdit("edtCofFile"));
  northGrid->setColumnStretch(1, 1);
  margins->addWidget(north);

  QGroupBox* slope = Group("坡度尺", "gbSlope");
  auto* slopeGrid = new QGridLayout(slope);
  slopeGrid->addWidget(MakeCheck("chkSlopeShow"), 0, 0, 1, 2);
  AddRow(slopeGrid, "距内廓左边", WithUnit(MakeSpin("seSlopeLeft", kPlain), "0.1毫米"));
  AddRow(slopeGrid, "距外廓下边", WithUnit(MakeSpin("seSlopeBelow", kPlain), "0.1毫米"));
  AddRow(slopeGrid, "刻度间隔", WithUnit(MakeSpin("seSlopeStep", kPlain), "0.1毫米"));
  AddRow(slopeGrid, "等高距:", WithUnit(MakeSpin("seContour", kPlain), "0.1米，0为按比例尺"));
  slopeGrid->setRowStretch(slopeGrid->rowCount(), 1);
  slopeGrid->setColumnStretch(1, 1);
  margins->addWidget(slope, 0, Qt::AlignTop);
  layout->addLayout(margins);
  layout->addStretch();
}

// Page 6 "页边距设置": page margins (kept with the dialog and the settings
// file; no frame setting reads them).
void TFrmset::BuildMarginPage(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  QGroupBox* margins = Group("页边距设置", "gbMargins");
  auto* grid = new QGridLayout(margins);
  struct Margin {
    const char *label, *name;
    int value;
  };
  for (const Margin& m : {Margin{"上边距:", "SeTopMage", 400}, Margin{"下边距:", "SeBottomMage", 400},
                          Margin{"左边距:", "SeLeftMage", 500}, Margin{"右边距:", "SeRightMage", 500}}) {
    QSpinBox* spin = MakeSpin(m.name, kPlain);
    spin->setRange(0, 3000);
    spin->setValue(m.value);
    AddRow(grid, m.label, WithUnit(spin, "0.1毫米"));
  }
  grid->setColumnStretch(1, 1);
  layout->addWidget(margins);

  // The print layout of the project written beside each output.
  QGroupBox* print = Group("QGIS工程的打印版面", "gbPrint");
  auto* printGrid = new QGridLayout(print);
  printGrid->addWidget(MakeRadio("rgPrintPaper", 2), 0, 0, 1, 2);
  AddRow(printGrid, "打印边距:", WithUnit(MakeSpin("sePrintMargin", kPlain), "0.1毫米"));
  printGrid->setColumnStretch(1, 1);
  layout->addWidget(print);
  layout->addStretch();
}

}  // namespace tarvik
