#include "settings_ui/pascoverset.h"

#include <climits>
#include <stdexcept>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "common/error.h"
#include "common/text_util.h"
#include "settings/control_table.h"
#include "settings_ui/control_widgets.h"
#include "settings_ui/font_button.h"
#include "settings_ui/font_convert.h"
#include "settings_ui/font_dialog.h"
#include "settings_ui/form_settings.h"
#include "settings_ui/radio_group.h"

namespace tarvik {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The table entry of a dialog control; every control the dialog builds has
// one, so a missing entry is a mistake in this file.
const ControlEntry& Entry(const char* name) {
  const ControlEntry* entry = FindControl(SettingsForm::Dialog, name);
  if (!entry) throw std::logic_error(std::string("no control table entry for ") + name);
  return *entry;
}

// What the marginal texts replace, told where they are typed.
const char* const kPlaceholderHint =
    "可用占位符：[坐标系] 换成本次所用坐标系统的名称（如2000国家大地坐标系）；"
    "[字段名] 换成要素的字段值，输入图幅号时 [TFH] 换成图幅号；"
    "YYYY年MM月DD日 为中文数字日期，yyyy年mm月dd日 为阿拉伯数字日期";

std::optional<QFont> AskFontWithDialog(const QFont& initial, QWidget* parent) {
  TFontDialog dialog(initial, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.selectedFont();
}

}  // namespace

TFrmset::TFrmset(QWidget* parent) : QDialog(parent) {
  setObjectName("Frmset");
  setWindowTitle(QString::fromUtf8("参数设置(距离单位为0.1毫米)"));
  showMessage_ = MessageBoxFunction(this);
  askFont_ = AskFontWithDialog;
  saveAll_ = [this] { SaveDialogOnly(); };

  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  const char* captions[kPageCount] = {"基本信息",     "四周标注", "图廓信息",  "网格信息",
                                      "接合图表信息", "比例尺条", "页边距设置"};
  void (TFrmset::*builders[kPageCount])(QWidget*) = {&TFrmset::BuildBasicPage, &TFrmset::BuildNotesPage,
                                                     &TFrmset::BuildFramePage, &TFrmset::BuildGridPage,
                                                     &TFrmset::BuildTablePage, &TFrmset::BuildScaleBarPage,
                                                     &TFrmset::BuildMarginPage};
  for (int i = 0; i < kPageCount; ++i) {
    auto* page = new QWidget;
    page->setObjectName(QString("TabSheet%1").arg(i + 1));
    (this->*builders[i])(page);
    // Scrolled where the screen is smaller than the page (large fonts,
    // a scale factor of 2).
    auto* scroll = new QScrollArea;
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // The whole page where the screen has room for it.
    QSize room(1600, 1000);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      room = screen->availableSize() - QSize(80, 160);
    scroll->setMinimumSize(page->sizeHint().boundedTo(room));
    PageControl1->addTab(scroll, QString::fromUtf8(captions[i]));
  }
  connect(PageControl1, &QTabWidget::currentChanged, this, &TFrmset::OnPageChanged);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QString::fromUtf8("关闭"), QDialogButtonBox::AcceptRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  const struct {
    const char* name;
    const char* caption;
    void (TFrmset::*handler)();
  } named[] = {{"btnLoadSettings", "打开设置…", &TFrmset::LoadNamedSettings},
               {"btnSaveSettings", "另存设置…", &TFrmset::SaveNamedSettings},
               {"btnResetSettings", "恢复默认", &TFrmset::ResetSettings}};
  for (const auto& n : named) {
    QPushButton* b = buttons->addButton(QString::fromUtf8(n.caption), QDialogButtonBox::ActionRole);
    b->setObjectName(n.name);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, n.handler);
  }
  askFile_ = [this](bool save, const QString& folder) -> std::optional<QString> {
    const QString filter = QString::fromUtf8("设置文件 (*.set)");
    const QString path =
        save ? QFileDialog::getSaveFileName(this, QString::fromUtf8("另存设置"), folder, filter)
             : QFileDialog::getOpenFileName(this, QString::fromUtf8("打开设置"), folder, filter);
    if (path.isEmpty()) return std::nullopt;
    return path;
  };

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl1);
  layout->addWidget(buttons);

  // The handlers follow every change of their controls, by a person or by
  // loading, so the shown groups always match the values.
  connect(Rg4JAnn, &TRadioGroup::itemIndexChanged, this, &TFrmset::Rg4JAnnClick);
  connect(rgGrid, &TRadioGroup::itemIndexChanged, this, &TFrmset::rgGridClick);
  connect(rgdmsmode, &TRadioGroup::itemIndexChanged, this, &TFrmset::rgdmsmodeClick);
  connect(Seinterval, &QSpinBox::valueChanged, this, &TFrmset::SeintervalChange);

  ShowSettings(TFrameSettings{});
  Rg4JAnnClick();
  rgGridClick();
  rgdmsmodeClick();
  SeintervalChange();
}

TFrmset::~TFrmset() = default;

std::vector<std::string> TFrmset::CollectSettings(TFrameSettings& settings) const {
  return CollectFormSettings(*this, SettingsForm::Dialog, settings);
}

void TFrmset::ShowSettings(const TFrameSettings& settings) {
  ShowFormSettings(*this, SettingsForm::Dialog, settings);
}

void TFrmset::setMessageFunction(MessageFunction show) { showMessage_ = std::move(show); }
void TFrmset::setSettingsFileFunction(SettingsFileFunction ask) { askFile_ = std::move(ask); }

void TFrmset::LoadNamedSettings() {
  if (!askFile_) return;
  const auto path = askFile_(false, shippedFolder_);
  if (!path) return;
  // Only this dialog's values: a file saved from the window holds the
  // window's too, which stay as they are.
  LoadAllSettings(path->toStdString(), {this}, showMessage_);
  Rg4JAnnClick();
  rgGridClick();
  rgdmsmodeClick();
  SeintervalChange();
}

void TFrmset::SaveNamedSettings() {
  if (!askFile_) return;
  auto path = askFile_(true, QString());
  if (!path) return;
  if (!path->endsWith(".set", Qt::CaseInsensitive)) *path += ".set";
  try {
    SaveAllSettings(path->toStdString(), {this});
  } catch (const RunError& e) {
    if (showMessage_) showMessage_(QString::fromUtf8(e.what()));
  }
}

void TFrmset::ResetSettings() {
  ShowSettings(TFrameSettings{});
  Rg4JAnnClick();
  rgGridClick();
  rgdmsmodeClick();
  SeintervalChange();
}
void TFrmset::setFontDialogFunction(FontDialogFunction ask) { askFont_ = std::move(ask); }
void TFrmset::setSaveAllSettings(std::function<void()> save) { saveAll_ = std::move(save); }
void TFrmset::setSettingsPath(const std::filesystem::path& path) { settingsPath_ = path; }

// ---- Control makers ----

QLineEdit* TFrmset::MakeEdit(const char* name) {
  Entry(name);
  auto* edit = new QLineEdit;
  edit->setObjectName(name);
  const std::string_view n = name;
  if (n == "edtscale")
    edit->setToolTip(QString::fromUtf8("[scale] 换成比例尺分母"));
  else if (n == "edtCofFile")
    edit->setToolTip(QString::fromUtf8("WMM或IGRF的系数文件(.COF)，在图幅中心按图上年份计算磁偏角"));
  else if (n != "edtField")
    edit->setToolTip(QString::fromUtf8(kPlaceholderHint));
  return edit;
}

QSpinBox* TFrmset::MakeSpin(const char* name, int tag) {
  auto* spin = new QSpinBox;
  spin->setObjectName(name);
  if (const ControlEntry* entry = FindControl(SettingsForm::Dialog, name); entry && entry->range)
    spin->setRange(entry->range->min, entry->range->max);
  else  // free: any 32-bit whole number, 0 and negatives included
    spin->setRange(INT_MIN, INT_MAX);
  spin->setProperty("Tag", tag);
  spin->setMinimumWidth(90);
  return spin;
}

TRadioGroup* TFrmset::MakeRadio(const char* name, int columns) {
  const ControlEntry& entry = Entry(name);
  auto* group = new TRadioGroup(Q(entry.caption));
  group->setObjectName(name);
  QStringList items;
  for (std::string_view item : entry.items) items << Q(item);
  group->setItems(items);
  group->setColumns(columns);
  return group;
}

TFontButton* TFrmset::MakeFontButton(const char* name) {
  Entry(name);
  auto* button = new TFontButton;
  button->setObjectName(name);
  button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  connect(button, &QPushButton::clicked, this, [this, button] { btnleftdownClick(button); });
  return button;
}

QWidget* TFrmset::MakeCheck(const char* name) {
  auto* check = new QCheckBox(Q(Entry(name).caption));
  check->setObjectName(name);
  return check;
}

QWidget* TFrmset::MakeMemo(const char* name) {
  Entry(name);
  auto* memo = new QPlainTextEdit;
  memo->setObjectName(name);
  memo->setToolTip(QString::fromUtf8(kPlaceholderHint));
  // Room for the five lines of the default notes, not more: the dialog
  // should fit small screens.
  memo->setMaximumHeight(memo->fontMetrics().lineSpacing() * 6 + 12);
  return memo;
}

// ---- Handlers ----

void TFrmset::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TFrmset::done(int result) {
  // Closed (关闭, Esc or the close box) with crosshairs longer than their
  // interval: refused as leaving the grid page is, and the page shown.
  if (!CrosshairFitsInterval()) {
    if (showMessage_) showMessage_(QString::fromUtf8("十字丝的长度，不能大于间隔"));
    switchingPage_ = true;
    PageControl1->setCurrentIndex(kGridPage);
    currentPage_ = kGridPage;
    switchingPage_ = false;
    SeLineLength->setFocus();
    return;
  }
  FormClose();
  QDialog::done(result);
}

bool TFrmset::CrosshairFitsInterval() const {
  // The crosshair panel shows for grid type 2 only.
  return rgGrid->itemIndex() != 2 || Seinterval->value() >= SeLineLength->value();
}

void TFrmset::FormShow() {
  for (QSpinBox* spin : findChildren<QSpinBox*>())
    if (spin->property("Tag").toInt() == 1) spin->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  for (QLineEdit* edit : findChildren<QLineEdit*>())
    if (edit->property("Tag").toInt() == 1) edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TFrmset::FormClose() {
  if (saveAll_) saveAll_();
}

void TFrmset::SaveDialogOnly() {
  if (settingsPath_.empty()) return;
  try {
    SaveAllSettings(settingsPath_, {this});
  } catch (const RunError& e) {
    if (showMessage_) showMessage_(QString::fromUtf8(e.what()));
  }
}

void TFrmset::Rg4JAnnClick() {
  const bool labelled = Rg4JAnn->itemIndex() == 1;
  btn4j->setVisible(labelled);
  btn4jLabel->setVisible(labelled);
}

void TFrmset::rgGridClick() {
  const int g = rgGrid->itemIndex();
  gbJwc->setVisible(g == 3 || g == 4);
  gbGridFont->setVisible(g > 0);
  pnlLineLength->setVisible(g == 2);
  pnlInterval->setVisible(g == 1 || g == 2);
  pnlJwCross->setVisible(g == 4);
}

void TFrmset::rgdmsmodeClick() {
  const int mode = rgdmsmode->itemIndex();
  rgwdalignmode->setVisible(mode == 0);
  gbCornerDigits->setVisible(mode == 2);
}

void TFrmset::SeintervalChange() {
  const bool below = Seinterval->value() < 1000;
  rgHor->setVisible(!below);
  rgver->setVisible(!below);
  gbGridDigits->setVisible(below);
}

void TFrmset::PageControl1Changing(bool& AllowChange) {
  const int page = PageControl1->currentIndex();
  QWidget* current = PageControl1->currentWidget();
  if (page == kGridPage && pnlLineLength->isVisibleTo(current) && !CrosshairFitsInterval()) {
    AllowChange = false;
    if (showMessage_) showMessage_(QString::fromUtf8("十字丝的长度，不能大于间隔"));
    return;
  }
  if (page == kTablePage && edtField->text().contains('[')) {
    const std::string text = edtField->text().toStdString();
    edtField->setText(Q(ReplaceFirst(ReplaceFirst(text, "[", ""), "]", "")));
    AllowChange = false;
    if (showMessage_) showMessage_(QString::fromUtf8("这里是字段名,不支持嵌套,自动更新了"));
  }
}

void TFrmset::OnPageChanged(int index) {
  if (switchingPage_) return;
  // The tab widget has already switched; go back to the page being left so
  // that the check sees it (and a refusal leaves it shown), then go on.
  switchingPage_ = true;
  PageControl1->setCurrentIndex(currentPage_);
  bool allow = true;
  PageControl1Changing(allow);
  if (allow) PageControl1->setCurrentIndex(index);
  currentPage_ = PageControl1->currentIndex();
  switchingPage_ = false;
}

void TFrmset::btnleftdownClick(TFontButton* sender) {
  if (!sender || !askFont_) return;
  const auto chosen = askFont_(ToQFont(sender->fontDesc()), this);
  if (chosen) sender->setFontDesc(FromQFont(*chosen, sender->fontDesc()));
}

}  // namespace tarvik
