// The main window: its controls, the form events and the small handlers.
// The generation run and the input-file handlers are in PasTarvik_run.cpp.
#include "app/PasTarvik.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <algorithm>

#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>
#include <QValidator>

#include "app/input_map.h"
#include "common/error.h"
#include "coords/datum.h"
#include "frame/name_template.h"
#include "run/coordinate_rules.h"
#include "settings/settings_path.h"
#include "settings_ui/form_settings.h"
#include "settings_ui/pascoverset.h"
#include "settings_ui/radio_group.h"
#include "sheets/rect_sheets.h"
#include "sheets/uttfhao.h"

namespace tarvik {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// Client area of the window: the outer size 467 x 431 less a dialog frame
// (4 px borders, 23 px caption).
constexpr int kClientWidth = 459;
constexpr int kClientHeight = 428;
constexpr int kMapMinHeight = 100;
// The sheet-number group and the file group, one above the other's place
// (the file group holds a row more than the described one: the input's
// system and the seven parameters).
constexpr int kModeAreaHeight = 132;

TRadioGroup* MakeRadio(QWidget* parent, const char* name, const char* title, const QStringList& items,
                       int columns, int index) {
  auto* group = new TRadioGroup(U(title), parent);
  group->setObjectName(name);
  group->setItems(items);
  group->setColumns(columns);
  group->setItemIndex(index);
  group->layout()->setContentsMargins(8, 2, 6, 4);
  return group;
}

QLabel* MakeLabel(const char* text, QWidget* parent) { return new QLabel(U(text), parent); }

QPushButton* MakeButton(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(U(caption), parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

// A small button beside 浏览 whose menu lists recent paths.
QToolButton* MakeRecentButton(const char* name, const QString& tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setArrowType(Qt::DownArrow);
  button->setToolTip(tip);
  button->setPopupMode(QToolButton::InstantPopup);
  button->setStyleSheet("QToolButton::menu-indicator { image: none; width: 0px; }");  // the arrow says it
  button->setMenu(new QMenu(button));
  return button;
}

QLineEdit* MakeEdit(const char* name, const QString& text, QWidget* parent) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(name);
  return edit;
}

// The scale box's validator: what can become a scale as maps write it.
class ScaleValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return ScaleTextTypable(input) ? Acceptable : Invalid;
  }
};

// Tight group margins, as the 467 x 431 window needs.
void Tighten(QLayout* layout) {
  layout->setContentsMargins(6, 2, 6, 4);
  layout->setSpacing(4);
}

}  // namespace

TFrmTarvik::TFrmTarvik(const std::filesystem::path& programPath, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      programPath_(programPath),
      dialogs_(DesktopDialogs(this)),
      progress_([this](const QString& text, const QString& caption) {
        return dialogs_.confirm && dialogs_.confirm(text, caption);
      }),
      feedback_(dialogs_, progress_) {
  if (programPath_.empty()) programPath_ = QCoreApplication::applicationFilePath().toStdString();
  progress_.setAnchor(this);
  setObjectName("FrmTarvik");
  setFont(QFont(U("宋体"), 9));
  // The described size is the least; the map below takes what is more.
  setMinimumSize(kClientWidth, kClientHeight + kMapMinHeight);
  resize(kClientWidth + 160, kClientHeight + 260);
  BuildControls();
  BuildScaleMenu();
  dlg = new TFrmset(this);
  dlg->setMessageFunction([this](const QString& text) {
    if (dialogs_.message) dialogs_.message(text);
  });
  dlg->setSaveAllSettings([this] { SaveSettings(); });
  // The shipped settings: share/tarvik beside an installed program, the
  // build's share folder beside a built one.
  for (const auto& folder :
       {programPath_.parent_path() / "../share/tarvik", programPath_.parent_path() / "../../share"}) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) {
      dlg->setShippedFolder(QString::fromStdString(std::filesystem::weakly_canonical(folder, ec).string()));
      break;
    }
  }
  Connect();
  FormCreate();
}

TFrmTarvik::~TFrmTarvik() = default;

std::filesystem::path TFrmTarvik::settingsFilePath() const { return SettingsFilePath(programPath_); }

std::filesystem::path TFrmTarvik::manualPath() const {
  // Beside the program in a build folder (and where a user put one of their
  // own); an installed program finds it in its documentation folder.
  std::filesystem::path manual = programPath_;
  manual.replace_extension(".html");
  std::error_code ec;
  if (std::filesystem::is_regular_file(manual, ec)) return manual;
  const auto installed = programPath_.parent_path() / "../share/doc/tarvik" / manual.filename();
  if (std::filesystem::is_regular_file(installed, ec))
    return std::filesystem::weakly_canonical(installed, ec);
  return manual;
}

// ---- Controls ----

void TFrmTarvik::BuildControls() {
  // The described form on top at its own height; the map of the run below
  // takes the window's extra height, the paths its extra width.
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  auto* form = new QWidget(this);
  form->setObjectName("Form");
  outer->addWidget(form);
  mapView = new InputMapView(this);
  outer->addWidget(mapView, 1);
  auto* main = new QVBoxLayout(form);
  main->setContentsMargins(8, 4, 8, 6);
  main->setSpacing(3);

  rgtype = MakeRadio(this, "rgtype", "选择创立图廓方式",
                     {U("标准图幅号"), U("标准图幅文件"), U("行政区划文件")}, 3, 1);
  main->addWidget(rgtype);

  // The sheet-number group and the file group share one place; one is shown.
  auto* modeArea = new QGridLayout;
  modeArea->setContentsMargins(0, 0, 0, 0);
  gbMapno = new QGroupBox(U("图幅号"), this);
  gbMapno->setObjectName("gbMapno");
  gbMapno->setFixedHeight(kModeAreaHeight);
  edtMapNO = MakeEdit("edtMapNO", "E45G095066", gbMapno);
  edtMapNO->setGeometry(128, 28, 186, 22);
  edtMapNO->setToolTip(
      U("新图幅号（如E45G095066）、旧图幅号（如J-50-5）或矩形图幅号（如3810.40-500.75，按所填比例尺）"));
  lblMapNoHint = new QLabel(U("新图幅号如 E45G095066，旧图幅号如 J-50-5、J-50-5-(24)"), gbMapno);
  lblMapNoHint->setGeometry(12, 60, 420, 18);
  lblMapNoHint->setAlignment(Qt::AlignHCenter);
  lblMapNoHint->setForegroundRole(QPalette::PlaceholderText);
  modeArea->addWidget(gbMapno, 0, 0);

  gbFile = new QGroupBox(U("选择文件名"), this);
  gbFile->setObjectName("gbFile");
  gbFile->setFixedHeight(kModeAreaHeight);
  auto* fileGrid = new QGridLayout(gbFile);
  Tighten(fileGrid);
  fileGrid->setVerticalSpacing(5);
  edtFile = MakeEdit("edtFile", QString(), gbFile);
  edtFile->setToolTip(U("多边形shapefile（*.shp）"));
  btnfile = MakeButton("btnfile", "浏览", gbFile);
  CbField = new QComboBox(gbFile);
  CbField->setObjectName("CbField");
  CbField->setEditable(true);
  CbField->setInsertPolicy(QComboBox::NoInsert);
  edtFileName = MakeEdit("edtFileName", QString(), gbFile);
  edtFileName->setToolTip(U("输出名称模板，方括号中为字段名，如 [NAME]图"));
  reditwhere = MakeEdit("reditwhere", QString(), gbFile);
  reditwhere->setProperty("RichEdit", true);
  reditwhere->setToolTip(U("属性条件（SQL where子句），空为全部要素"));
  fileGrid->addWidget(edtFile, 0, 0, 1, 4);
  auto* fileButtons = new QHBoxLayout;
  fileButtons->setSpacing(0);
  fileButtons->addWidget(btnfile);
  btnRecentInputs = MakeRecentButton("btnRecentInputs", U("最近用过的输入文件"), gbFile);
  fileButtons->addWidget(btnRecentInputs);
  setTabOrder(btnfile, btnRecentInputs);  // Tab follows the row, not the order of making
  fileGrid->addLayout(fileButtons, 0, 4);
  fileGrid->addWidget(MakeLabel("字段:", gbFile), 1, 0);
  fileGrid->addWidget(CbField, 1, 1);
  fileGrid->addWidget(MakeLabel("数据目录名:", gbFile), 1, 2);
  fileGrid->addWidget(edtFileName, 1, 3, 1, 2);
  fileGrid->addWidget(MakeLabel("条件:", gbFile), 2, 0);
  fileGrid->addWidget(reditwhere, 2, 1, 1, 4);
  lblInputSystem = new QLabel(gbFile);
  lblInputSystem->setObjectName("lblInputSystem");
  lblInputSystem->setForegroundRole(QPalette::PlaceholderText);
  lblInputSystem->setMinimumWidth(10);
  lblInputSystem->setToolTip(U("输入文件自身的坐标系统，以及生成时如何使用它"));
  edtTowgs84 = MakeEdit("edtTowgs84", QString(), gbFile);
  edtTowgs84->setPlaceholderText(U("dx,dy,dz,rx,ry,rz,ds"));
  edtTowgs84->setToolTip(
      U("输入文件与输出的大地基准不同（如西安80与CGCS2000）时的七参数："
        "平移（米）、旋转（秒，位置矢量）、尺度（ppm），同 PROJ 的 +towgs84；空为不转换基准"));
  fileGrid->addWidget(lblInputSystem, 3, 0, 1, 3);
  fileGrid->addWidget(MakeLabel("七参数:", gbFile), 3, 3, Qt::AlignRight);
  fileGrid->addWidget(edtTowgs84, 3, 4);
  fileGrid->setColumnStretch(1, 1);
  fileGrid->setColumnStretch(3, 1);
  modeArea->addWidget(gbFile, 0, 0);
  main->addLayout(modeArea);

  auto* datumRow = new QHBoxLayout;
  datumRow->setSpacing(6);
  QStringList datums;  // the datum table's rows, in the order the settings file stores
  for (const DatumInfo& d : Datums()) datums << U(d.caption);
  gb8054 = MakeRadio(this, "gb8054", "坐标系統", datums, static_cast<int>(datums.size()), 0);
  rgisband = MakeRadio(this, "rgisband", "坐标是否加带号", {U("1、不加"), U("2、加")}, 2, 0);
  datumRow->addWidget(gb8054, 3);
  datumRow->addWidget(rgisband, 2);
  main->addLayout(datumRow);

  gbFdf = new QGroupBox(U("分度方法及中央经线"), this);
  gbFdf->setObjectName("gbFdf");
  auto* fdfRow = new QHBoxLayout(gbFdf);
  Tighten(fdfRow);
  cbFdf = new QComboBox(gbFdf);
  cbFdf->setObjectName("cbFdf");
  cbFdf->addItems({U("3度分带法"), U("6度分带法")});
  cbFdf->setCurrentIndex(0);
  centerL = new QSpinBox(gbFdf);
  centerL->setObjectName("centerL");
  centerL->setRange(72, 138);
  centerL->setSingleStep(3);
  centerL->setValue(87);
  centerL->setProperty("Tag", 1);
  centerL->setMinimumWidth(64);
  fdfRow->addWidget(MakeLabel("分度方法:", gbFdf));
  fdfRow->addWidget(cbFdf);
  fdfRow->addSpacing(24);
  fdfRow->addWidget(MakeLabel("中央经线:", gbFdf));
  fdfRow->addWidget(centerL);
  fdfRow->addWidget(MakeLabel("度", gbFdf));
  // Checked: the run takes the meridian from the sheet or the data, and the
  // box shows the one it took.
  chkAutoMeridian = new QCheckBox(U("自动"), gbFdf);
  chkAutoMeridian->setObjectName("chkAutoMeridian");
  chkAutoMeridian->setChecked(true);
  chkAutoMeridian->setToolTip(
      U("按图幅西边、输入文件的坐标系统或数据中心所在的带确定中央经线；取消后按所填"));
  fdfRow->addSpacing(12);
  fdfRow->addWidget(chkAutoMeridian);
  fdfRow->addStretch(1);
  main->addWidget(gbFdf);

  auto* scaleRow = new QHBoxLayout;
  scaleRow->setSpacing(6);
  gbScale = new QGroupBox(U("地图比例尺"), this);
  gbScale->setObjectName("gbScale");
  auto* scaleBox = new QHBoxLayout(gbScale);
  Tighten(scaleBox);
  edtMapscale1 = MakeEdit("edtMapscale1", "10000", gbScale);
  edtMapscale1->setToolTip(U("比例尺分母，如 10000、5万、2.5万；右键选择常用比例尺"));
  // Letters typed or pasted are refused where the person sees it.
  edtMapscale1->setValidator(new ScaleValidator(edtMapscale1));
  lblScaleSource = new QLabel(U("按图幅"), gbScale);
  lblScaleSource->setObjectName("lblScaleSource");
  lblScaleSource->setForegroundRole(QPalette::PlaceholderText);
  lblScaleSource->setToolTip(
      U("比例尺取自图幅：图幅号的比例尺代码，或标准图幅文件的图幅号、图幅大小；填写比例尺则按所填"));
  scaleBox->addWidget(MakeLabel("1:", gbScale));
  scaleBox->addWidget(edtMapscale1, 1);
  scaleBox->addWidget(lblScaleSource);
  rgjw = MakeRadio(this, "rgjw", "坐标系统", {U("平面(XY)坐标"), U("大地(经纬度)坐标")}, 2, 0);
  scaleRow->addWidget(gbScale, 2);
  scaleRow->addWidget(rgjw, 3);
  main->addLayout(scaleRow);

  gboutfile = new QGroupBox(U("输出文件"), this);
  gboutfile->setObjectName("gboutfile");
  auto* outRow = new QHBoxLayout(gboutfile);
  Tighten(outRow);
  edtoutFile = MakeEdit("edtoutFile", QString(), gboutfile);
  edtoutFile->setToolTip(U("可以是gdb（文件地理数据库目录），也可以是gpkg（GeoPackage文件）"));
  edtoutFile->setPlaceholderText(U("输出到 .gdb、.gpkg 或 .dxf"));
  btnout = MakeButton("btnout", "浏览", gboutfile);
  outRow->addWidget(edtoutFile, 1);
  outRow->addWidget(btnout);
  btnRecentOutputs = MakeRecentButton("btnRecentOutputs", U("最近用过的输出"), gboutfile);
  outRow->setSpacing(0);
  outRow->insertSpacing(1, 4);
  outRow->addWidget(btnRecentOutputs);
  // The layout of the output's classes: one set per frame, or shared by all
  // frames for batches of thousands of sheets.
  cbLayout = new QComboBox(gboutfile);
  cbLayout->setObjectName("cbLayout");
  cbLayout->addItems({U("每幅一组图层"), U("共用图层(大批量)")});
  cbLayout->setCurrentIndex(0);
  cbLayout->setToolTip(
      U("每幅一组图层：每个图廓一个数据集和三个图层；共用图层：所有图廓在三个图层中，"
        "以字段FrameName区分，适合成千上万幅的批量"));
  outRow->addSpacing(6);
  outRow->addWidget(cbLayout);
  main->addWidget(gboutfile);
  // The recent paths, kept in the settings file as lists (never shown).
  lstRecentInputs = new QListWidget(this);
  lstRecentInputs->setObjectName("lstRecentInputs");
  lstRecentInputs->hide();
  lstRecentOutputs = new QListWidget(this);
  lstRecentOutputs->setObjectName("lstRecentOutputs");
  lstRecentOutputs->hide();

  main->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(10);
  Button1 = MakeButton("Button1", "生成图廓", this);
  btndown = MakeButton("btndown", "设置", this);
  btnIndex = MakeButton("btnIndex", "分幅索引", this);
  btnIndex->setToolTip(U("为一个范围、一幅图的范围或覆盖文件生成标准分幅索引"));
  Button9 = MakeButton("Button9", "帮助", this);
  Button10 = MakeButton("Button10", "退出", this);
  buttons->addStretch(1);
  for (QPushButton* b : {Button1, btndown, btnIndex, Button9, Button10}) {
    b->setMinimumWidth(76);
    buttons->addWidget(b);
  }
  buttons->addStretch(1);
  main->addLayout(buttons);
}

void TFrmTarvik::BuildScaleMenu() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  struct Item {
    const char* caption;
    int tag;
  };
  const Item items[] = {{"1:500", 500},     {"1:2000", 2000},   {"1:5000", 5000}, {nullptr, 0},
                        {"1:1万", 10000},   {"1:2.5万", 25000}, {"1:5万", 50000}, {"1:10万", 100000},
                        {"1:25万", 250000}, {"1:50万", 500000}};
  for (const Item& item : items) {
    if (!item.caption) {
      PopupMenu1->addSeparator()->setObjectName("N1");
      continue;
    }
    QAction* action = PopupMenu1->addAction(U(item.caption));
    action->setObjectName(QString("N1%1").arg(item.tag));
    action->setProperty("Tag", item.tag);
    connect(action, &QAction::triggered, this, [this, action] { N15001Click(action); });
  }
  edtMapscale1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(edtMapscale1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupMenu1->exec(edtMapscale1->mapToGlobal(pos)); });
}

void TFrmTarvik::Connect() {
  connect(rgtype, &TRadioGroup::itemIndexChanged, this, [this] { Guarded([this] { rgtypeClick(); }); });
  connect(btnout, &QPushButton::clicked, this, [this] { Guarded([this] { btnoutClick(); }); });
  connect(btnfile, &QPushButton::clicked, this, [this] { Guarded([this] { btnfileClick(); }); });
  connect(CbField, &QComboBox::textActivated, this, [this] { Guarded([this] { CbFieldChange(); }); });
  connect(CbField->lineEdit(), &QLineEdit::textEdited, this,
          [this] { Guarded([this] { CbFieldChange(); }); });
  connect(btndown, &QPushButton::clicked, this, [this] { Guarded([this] { btndownClick(); }); });
  connect(btnIndex, &QPushButton::clicked, this, [this] { Guarded([this] { btnIndexClick(); }); });
  connect(Button9, &QPushButton::clicked, this, [this] { Guarded([this] { Button9Click(); }); });
  connect(Button10, &QPushButton::clicked, this, [this] { Guarded([this] { Button10Click(); }); });
  connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { GenerateFromForm(); }); });
  // Enter in the form generates, as the button does.
  for (QLineEdit* box : {edtMapNO, edtFile, edtFileName, reditwhere, edtTowgs84, edtMapscale1, edtoutFile})
    connect(box, &QLineEdit::returnPressed, this, [this, box] {
      if (box == edtMapNO || box == edtFile) exitAtRelease_ = false;
      Guarded([this, box] {
        if (box == edtMapNO) {
          edtMapNOExit();
          if (numberRefused_) return;  // told once
        }
        if (box == edtFile) PickTypedInput();
        Button1Click();
      });
    });
  // Keys for the buttons, their captions as they are.
  const struct {
    QPushButton* button;
    QKeySequence key;
  } keys[] = {{Button1, QKeySequence(Qt::ALT | Qt::Key_G)},
              {btndown, QKeySequence(Qt::ALT | Qt::Key_S)},
              {Button9, QKeySequence(Qt::Key_F1)},
              {Button10, QKeySequence(Qt::ALT | Qt::Key_X)}};
  for (const auto& k : keys) {
    auto* shortcut = new QShortcut(k.key, this);
    connect(shortcut, &QShortcut::activated, k.button, &QPushButton::click);
    k.button->setToolTip(k.key.toString(QKeySequence::NativeText));
  }
  // A path typed into the input box is read when the box is left.
  connect(edtFile, &QLineEdit::editingFinished, this, [this] { Guarded([this] { PickTypedInput(); }); });
  // The map follows what the run would frame.
  connect(reditwhere, &QLineEdit::editingFinished, this, [this] { Guarded([this] { ShowMap(); }); });
  connect(CbField, &QComboBox::currentTextChanged, this, [this] { Guarded([this] { ShowMap(); }); });
  edtMapNO->installEventFilter(this);
  edtMapscale1->installEventFilter(this);
  // Files dropped on the window or on its path boxes.
  setAcceptDrops(true);
  for (QLineEdit* box : {edtFile, edtoutFile}) box->installEventFilter(this);
  connect(btnRecentInputs->menu(), &QMenu::aboutToShow, this,
          [this] { FillRecentMenu(btnRecentInputs->menu(), lstRecentInputs, true); });
  connect(btnRecentOutputs->menu(), &QMenu::aboutToShow, this,
          [this] { FillRecentMenu(btnRecentOutputs->menu(), lstRecentOutputs, false); });
  connect(edtMapscale1, &QLineEdit::inputRejected, this, [this] { edtMapscale1Refused(); });
  // A scale typed by hand is the person's, not the sheet number's.
  connect(edtMapscale1, &QLineEdit::textEdited, this, [this] { lblScaleSource->hide(); });
  // 自动: the run picks the meridian, the box only shows it.
  connect(chkAutoMeridian, &QCheckBox::toggled, this, [this](bool automatic) {
    centerL->setEnabled(!automatic);
    if (automatic) ShowSheetMeridian();
  });
  connect(cbFdf, &QComboBox::currentIndexChanged, this, [this] { ShowSheetMeridian(); });
  // A condition typed anew is no longer the one cleared.
  connect(reditwhere, &QLineEdit::textEdited, this, [this] { reditwhere->setPlaceholderText(QString()); });
}

bool TFrmTarvik::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == edtFile || watched == edtoutFile) &&
      (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
       event->type() == QEvent::Drop)) {
    // A file dropped on a path box is taken as the window takes it, not
    // pasted in as text.
    auto* drop = static_cast<QDropEvent*>(event);
    if (!DropFiles(drop->mimeData(), event->type() == QEvent::Drop)) return false;
    drop->acceptProposedAction();
    return true;
  }
  if (exitAtRelease_ && event->type() == QEvent::MouseButtonRelease) {
    // The click that took the focus from the sheet-number box ends. The run
    // button takes the exit itself, first; for any other control the exit
    // follows the click.
    qApp->removeEventFilter(this);
    QTimer::singleShot(0, this, [this] {
      if (!exitAtRelease_) return;
      exitAtRelease_ = false;
      if (isVisible()) Guarded([this] { edtMapNOExit(); });
    });
    return false;
  }
  if (watched == edtMapNO && event->type() == QEvent::FocusOut) {
    // Only when the focus moves to another control of this window, not when
    // the window itself loses the focus (a message box, another program).
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
        reason == Qt::MenuBarFocusReason)
      return QWidget::eventFilter(watched, event);
    if (reason == Qt::MouseFocusReason && QApplication::mouseButtons() != Qt::NoButton) {
      // A message box opened in the middle of a click would take its release
      // and leave the clicked button pressed and unclicked: the exit waits
      // until the button is released.
      exitAtRelease_ = true;
      qApp->installEventFilter(this);
    } else {
      Guarded([this] { edtMapNOExit(); });
    }
  } else if (watched == edtMapscale1 && event->type() == QEvent::InputMethod) {
    // Text committed by an input method keeps what can belong to a scale,
    // character by character ("五万" typed as "5万" keeps both), and shows
    // the refusal of the rest.
    auto* im = static_cast<QInputMethodEvent*>(event);
    QString text = edtMapscale1->text();
    const int at =
        edtMapscale1->hasSelectedText() ? edtMapscale1->selectionStart() : edtMapscale1->cursorPosition();
    if (edtMapscale1->hasSelectedText()) text.remove(at, edtMapscale1->selectedText().size());
    QString kept;
    for (const QChar c : im->commitString()) {
      QString candidate = text;
      candidate.insert(at, kept + c);
      if (ScaleTextTypable(candidate)) kept += c;
    }
    if (kept != im->commitString()) {
      im->setCommitString(kept);
      edtMapscale1Refused();
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Form events ----

void TFrmTarvik::FormCreate() {
  setWindowTitle(
      QString("ArcGISTarvik For ArcGIS10 V%1.%2").arg(TARVIK_VERSION_MAJOR).arg(TARVIK_VERSION_MINOR));
  RightAlignTagged();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    // On the screen whole even when scaled up: the map gives up its room
    // first, the form keeps its own (a title bar is left room too).
    const QRect area = screen->availableGeometry();
    resize(size().boundedTo(area.size() - QSize(0, 40)).expandedTo(minimumSizeHint()));
    move(area.x() + std::max(0, (area.width() - width()) / 2),
         area.y() + std::max(0, (area.height() - height()) / 2));
  }
}

void TFrmTarvik::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  Guarded([this] { FormShow(); });
}

void TFrmTarvik::FormShow() {
  LoadAllSettings(SettingsLoadPath(programPath_), {this, dlg}, [this](const QString& text) {
    if (dialogs_.message) dialogs_.message(text);
  });
  edtMapNO->move(edtMapNO->x(), (gbMapno->height() - edtMapNO->height()) / 2);
  rgtypeClick();
  followedField_ = CbField->currentText();
  // The keyboard starts at the form's first choice, the chosen mode.
  if (QRadioButton* chosen = rgtype->button(rgtype->itemIndex())) chosen->setFocus();
}

void TFrmTarvik::closeEvent(QCloseEvent* event) {
  if (running_) {
    // The run's builder is still working inside the progress window's steps.
    event->ignore();
    if (dialogs_.message) dialogs_.message(U("正在生成图廓，请等待完成，或在进度窗口中点击“取消”后再退出"));
    return;
  }
  FormClose();
  event->accept();
}

void TFrmTarvik::FormClose() { SaveSettings(); }

void TFrmTarvik::SaveSettings() {
  try {
    SaveAllSettings(settingsFilePath(), {this, dlg});
  } catch (const RunError& e) {
    if (dialogs_.message) dialogs_.message(QString::fromUtf8(e.what()));
  }
}

void TFrmTarvik::ShowError(const std::exception& e) {
  if (dialogs_.error) dialogs_.error(QString::fromUtf8(e.what()));
}

// ---- Handlers ----

void TFrmTarvik::rgtypeClick() {
  const int mode = rgtype->itemIndex();
  gbFile->setVisible(mode == 1 || mode == 2);
  gbMapno->setVisible(mode == 0);
  if (mode == 0) edtMapNO->move(edtMapNO->x(), 28);
  // A sheet number and a sheet index name their own scale unless one is
  // typed for them; a polygon file is drawn at the scale in the box.
  if (lblScaleSource) lblScaleSource->setVisible(mode != 2);
  ShowMap();
}

void TFrmTarvik::CbFieldChange() {
  edtFileName->setText(QString::fromStdString(
      TemplateWithField(edtFileName->text().toStdString(), CbField->currentText().toStdString())));
  FollowNameField(CbField->currentText());
}

void TFrmTarvik::FollowNameField(const QString& field) {
  // The adjacent-sheet table names the neighbours by the field that names
  // the frames, unless its field was set by hand (it is then neither empty
  // nor the field it followed).
  auto* table = dlg->findChild<QLineEdit*>("edtField");
  const QString current = table->text().trimmed();
  if (current.isEmpty() || current.compare(followedField_, Qt::CaseInsensitive) == 0) table->setText(field);
  followedField_ = field;
}

void TFrmTarvik::GenerateFromForm() {
  if (exitAtRelease_) {  // the click took the focus from the sheet-number box
    exitAtRelease_ = false;
    edtMapNOExit();
    // A wrong number was told on leaving the box: the click runs nothing,
    // so the person is not told the same twice.
    if (numberRefused_) return;
  }
  Button1Click();
}

void TFrmTarvik::PickTypedInput() {
  const QString typed = edtFile->text().trimmed();
  if (typed.isEmpty() || typed == pickedInput_) return;
  if (!QFileInfo(typed).isFile()) return;  // the run says what is missing
  PickInput(typed);
}

void TFrmTarvik::edtMapNOExit() {
  numberRefused_ = false;
  auto refused = qScopeGuard([this] { numberRefused_ = true; });
  CheckMapNo();
  // A rectangular sheet number carries no longitude to suggest a meridian
  // from, and is read at the scale in the box.
  if (LooksLikeRectNumber(edtMapNO->text().toStdString())) {
    // Its system is the person's to state: the meridian box is theirs.
    chkAutoMeridian->setChecked(false);
    refused.dismiss();
    ShowMap();
    return;
  }
  // A wrong number is told here, as the codec words it.
  const std::string number = NormalizeMapNo(edtMapNO->text().toStdString(), feedback_);
  if (number.empty()) return;
  const auto sheet = DecodeMapNo(number, feedback_);
  if (!sheet) return;
  refused.dismiss();
  // The run takes the meridian of the sheet's zone, and draws at the scale
  // of its scale letter: the boxes show both.
  chkAutoMeridian->setChecked(true);
  centerL->setValue(static_cast<int>(SheetMeridian(sheet->westLon, cbFdf->currentIndex() == 0)));
  SetScaleFromSheetNumbers(sheet->scaleIndex);
  ShowMap();
}

void TFrmTarvik::ShowSheetMeridian() {
  if (rgtype->itemIndex() != 0 || !chkAutoMeridian->isChecked()) return;
  const MapNoReading reading = ReadMapNo(edtMapNO->text().toStdString());
  if (reading.number.empty()) return;
  if (const auto sheet = DecodeMapNo(reading.number))
    centerL->setValue(static_cast<int>(SheetMeridian(sheet->westLon, cbFdf->currentIndex() == 0)));
}

void TFrmTarvik::SetScaleFromSheetNumbers(int scaleIndex) {
  edtMapscale1->setText(QString::number(ScaleDenominatorOfIndex(scaleIndex)));
  ClearScaleRefusal();
  lblScaleSource->show();
}

void TFrmTarvik::N15001Click(QAction* sender) {
  if (!sender) return;
  edtMapscale1->setText(QString::number(sender->property("Tag").toInt()));
  lblScaleSource->hide();  // chosen by the person
}

void TFrmTarvik::edtMapscale1Refused() {
  QApplication::beep();
  edtMapscale1->setProperty("inputRefused", true);
  edtMapscale1->setStyleSheet("QLineEdit { border: 2px solid #d01010; }");
  QToolTip::showText(edtMapscale1->mapToGlobal(QPoint(0, edtMapscale1->height())),
                     U("比例尺只能填写数字，如 10000、1:5万、2.5万"), edtMapscale1);
  QTimer::singleShot(2500, this, [this] { ClearScaleRefusal(); });
}

void TFrmTarvik::ClearScaleRefusal() {
  if (!edtMapscale1->property("inputRefused").toBool()) return;
  edtMapscale1->setProperty("inputRefused", false);
  edtMapscale1->setStyleSheet(QString());
}

void TFrmTarvik::btndownClick() { dlg->exec(); }

void TFrmTarvik::Button9Click() {
  const QString manual = QString::fromStdString(manualPath().string());
  if (!QFileInfo(manual).isFile()) {
    ShellOpen(manual);  // says what is missing
    return;
  }
  if (dialogs_.openUrl && dialogs_.openUrl(QUrl::fromLocalFile(manual))) return;
  // No browser on the desktop: the manual opens in a window of ours.
  ShowManual(manual);
}

void TFrmTarvik::ShowManual(const QString& path) {
  if (!manualWindow_) {
    manualWindow_ = new QWidget(this, Qt::Window);
    manualWindow_->setObjectName("ManualWindow");
    manualWindow_->setWindowTitle(U("Tarvik 帮助"));
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), manualWindow_), &QShortcut::activated, manualWindow_,
            &QWidget::close);
    auto* layout = new QVBoxLayout(manualWindow_);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* browser = new QTextBrowser(manualWindow_);
    browser->setObjectName("ManualBrowser");
    browser->setOpenExternalLinks(true);
    layout->addWidget(browser);
    manualWindow_->resize(820, 640);
  }
  auto* browser = manualWindow_->findChild<QTextBrowser*>("ManualBrowser");
  browser->setSource(QUrl::fromLocalFile(path));
  manualWindow_->show();
  manualWindow_->raise();
  manualWindow_->activateWindow();
}

void TFrmTarvik::Button10Click() { close(); }

// ---- Operations ----

void TFrmTarvik::CheckMapNo() {
  if (edtMapNO->text().isEmpty()) throw RunError("图幅号不能空");
}

QString TFrmTarvik::GetNameField() {
  std::vector<std::string> fields;
  for (int i = 0; i < CbField->count(); ++i) fields.push_back(CbField->itemText(i).toStdString());
  return QString::fromStdString(tarvik::GetNameField(edtFileName->text().toStdString(), fields));
}

void TFrmTarvik::RightAlignTagged() {
  for (QSpinBox* spin : findChildren<QSpinBox*>())
    if (spin->property("Tag").toInt() == 1 && spin->window() == this)
      spin->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

bool TFrmTarvik::ConfirmBox(const QString& text, const QString& caption) {
  return dialogs_.confirm && dialogs_.confirm(text, caption);
}

bool TFrmTarvik::ShellOpen(const QString& path, const QString& verb) {
  (void)verb;  // the desktop has one way to open a file: its default program
  if (QFileInfo(path).isFile() && dialogs_.openUrl && dialogs_.openUrl(QUrl::fromLocalFile(path)))
    return true;
  const ShellOpenResult result = QFileInfo(path).isFile() ? ShellOpenResult::Other : ShellOpenFailure(path);
  if (dialogs_.errorWithCaption) dialogs_.errorWithCaption(ShellOpenMessage(result), U("打开文件") + path);
  return false;
}

}  // namespace tarvik
