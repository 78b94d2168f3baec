#include "run/run_plan.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/delphi.h"
#include "common/error.h"
#include "common/recording_feedback.h"
#include "common/text_util.h"
#include "coords/geomagnetic_model.h"
#include "coords/utBJ54Xian80.h"
#include "coords/zone_reach.h"
#include "frame/dxf_frame_store.h"
#include "frame/frame_stores.h"
#include "frame/index_sheets.h"
#include "frame/input_coordinates.h"
#include "frame/marginal_text_format.h"
#include "frame/name_template.h"
#include "frame/naming_checks.h"
#include "frame/run_checks.h"
#include "gdb/class_queries.h"
#include "gdb/coordinate_transform.h"
#include "gdb/output_kind.h"
#include "gdb/output_lock.h"
#include "gdb/output_removal.h"
#include "run/coordinate_rules.h"
#include "run/plan_checks.h"
#include "sheets/sheet_index.h"
#include "sheets/uttfhao.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

std::string ZoneWidthName(bool is3Degree) { return is3Degree ? "3度带" : "6度带"; }

std::string Degrees(long double v) { return FloatToStr(v) + "°"; }

// The output's system as a person recognises it: its EPSG name and code,
// or the name of the custom transverse Mercator written.
std::string SystemName(const TFrameSettings& s) {
  const DatumInfo& datum = InfoOf(s.datum());
  int code = 0;
  if (s.GeodeticOutput) {
    code = datum.geographicEpsg;
  } else {
    const int zone = ZoneNumberOf(s.is3DegreeZone, s.centralMeridian);
    if (IsZoneMeridian(s.is3DegreeZone, s.centralMeridian))
      code = ProjectedEpsgCode(s.datum(), zone, s.is3DegreeZone, s.addZoneNumber);
    if (code == 0) return CustomProjectedName(CoordParamsOf(s));
  }
  // Named as readers name it: a deprecated code stored by its replacement.
  const SpatialReference ref = SpatialReference::FromEpsg(code);
  if (!ref.empty() && ref.epsgCode() != 0) code = ref.epsgCode();
  return (ref.empty() ? std::string(datum.caption) : ref.name()) + " (EPSG:" + std::to_string(code) + ")";
}

// The output path as a run takes it: "输出不能为空", "输出路径，不能为空" (a
// bare name names no folder), a kind that can be written.
void PlanOutput(RunPlan& plan) {
  const std::string& typed = plan.request.output;
  if (Trim(typed).empty()) throw RunError("输出不能为空");
  plan.output = WithoutTrailingSeparators(typed);
  if (plan.output.find('/') == std::string::npos) throw RunError("输出路径，不能为空");
  if (!IsDxfOutput(plan.output)) OutputKindOf(plan.output);  // refuses .mdb and other kinds
}

// What is at the output path already, and whether the run may touch it.
void PlanExistingOutput(RunPlan& plan) {
  const std::string& output = plan.output;
  std::error_code ec;
  if (IsDxfOutput(output)) {
    plan.outputExists = fs::exists(output, ec);
    plan.appendable = false;
    if (plan.outputExists && (fs::is_directory(output, ec) || !IsDxfFile(output)))
      throw RunError(output + "文件已存在，且无法删除(它不是DXF文件)");
  } else {
    plan.outputExists = OutputExists(output) || (fs::exists(output, ec) && !IsFileGdbPath(output));
    plan.appendable = OutputKindOf(output) == OutputKind::GeoPackage;
    // Only a store of ours is ever replaced or written into: anything else
    // under that name is refused before the person is asked about it.
    if (plan.outputExists && !IsOutputStore(output))
      throw RunError(
          output + "不是本程序能识别的文件地理数据库(.gdb)或GeoPackage(.gpkg)，为避免丢失其他文件，不删除它");
  }
  // Another run writing it: refused before anyone is asked about it.
  if (plan.outputExists) CheckOutputNotLocked(output);
  if (plan.outputExists && plan.request.existing == ExistingOutput::Append && !plan.appendable)
    throw RunError(output + "已存在；只能把图廓加入GeoPackage(.gpkg)，文件地理数据库和DXF只能替换");
}

// A national sheet number: its scale, meridian and checks.
void PlanNationalSheet(RunPlan& plan, TFrameSettings& s, bool meridianStated) {
  const std::string& typed = plan.request.sheetNumber;
  const MapNoReading reading = ReadMapNo(typed);
  if (!reading.problem.empty()) throw RunError(reading.problem);
  std::string why;
  const auto sheet = DecodeMapNo(reading.number, &why);
  if (!sheet) throw RunError(why.empty() ? "输入的" + typed + ",错误的图幅号" : why);
  const long denominator = ScaleDenominatorOfIndex(sheet->scaleIndex);
  if (plan.request.scale) {
    const long typedScale = std::lround(static_cast<double>(s.ScaleFactor * 10000));
    if (typedScale != denominator)
      plan.notes.push_back("比例尺按图幅号为" + ScaleName(denominator) + "，所填的" + ScaleName(typedScale) +
                           "不用");
  }
  s.ScaleFactor = static_cast<long double>(denominator) / 10000;
  plan.scaleFromSheets = true;
  if (!meridianStated) {
    s.centralMeridian = SheetMeridian(sheet->westLon, s.is3DegreeZone);
    plan.notes.push_back("中央经线 " + Degrees(s.centralMeridian) + "（图幅西边所在的" +
                         ZoneWidthName(s.is3DegreeZone) + "）");
  }
  CheckSheetRun(typed, s);
  CheckSheetCoordinates(s, sheet->westLon, sheet->westLon + sheet->lonSize, typed);
  plan.sheetNumber = reading.number;
  plan.frameNames = {CleanFrameName(typed)};
}

// A large-scale rectangular number: at the typed scale, in the system the
// person states (the number tells no longitude).
void PlanRectSheet(RunPlan& plan, TFrameSettings& s, bool meridianStated) {
  const std::string& typed = plan.request.sheetNumber;
  if (s.GeodeticOutput) throw RunError("矩形图幅" + typed + "只能输出平面(XY)坐标");
  if (!meridianStated || !plan.request.coords.datum)
    throw RunError(
        "矩形图幅号" + typed +
        "不含经纬度，请说明其坐标系统：坐标系統和中央经线（需要时还有分度方法、坐标是否加带号；"
        "窗口中取消中央经线的“自动”后填写；命令行：--datum 和 --central-meridian，需要时加 --zone-width、"
        "--zone-prefix）");
  const long denominator = std::lround(static_cast<double>(s.ScaleFactor * 10000));
  if (!IsRectScale(denominator))
    throw RunError("矩形图幅号" + typed + "需要比例尺1:500、1:1000、1:2000或1:5000，而比例尺是" +
                   ScaleName(denominator));
  std::optional<RectLayout> layout;
  if (plan.request.rectLayout) {
    layout = ParseRectLayout(*plan.request.rectLayout);
    if (!layout) throw RunError("矩形图幅的尺寸只能是 50x50、40x50 或 40x40: " + *plan.request.rectLayout);
  }
  auto parsed = ParseRectNumber(typed, denominator, layout);
  if (const auto* reason = std::get_if<std::string>(&parsed)) throw RunError(*reason);
  plan.rectSheet = std::get<RectSheet>(parsed);
  CheckRectSheetCoordinates(CoordParamsOf(s), *plan.rectSheet);
  plan.sheetNumber = plan.rectSheet->number();
  plan.frameNames = {CleanFrameName(plan.rectSheet->number())};
}

// The longitudes of the features the condition selects, on the input's own
// geographic base; none when they cannot be had.
std::optional<std::pair<long double, long double>> SelectionLongitudes(const InputInspection& in,
                                                                       const std::string& where) {
  const auto e = where.empty() ? ClassExtent(in.cls) : SelectionExtent(in.cls, where);
  if (!e) return std::nullopt;
  if (in.ref.isGeographic()) return std::make_pair<long double, long double>(e->xMin, e->xMax);
  std::vector<double> x, y;
  for (double ex : {e->xMin, (e->xMin + e->xMax) / 2, e->xMax})
    for (double ny : {e->yMin, (e->yMin + e->yMax) / 2, e->yMax}) {
      x.push_back(ex);
      y.push_back(ny);
    }
  if (!in.ref.toGeographic(x, y)) return std::nullopt;
  return std::make_pair<long double, long double>(*std::min_element(x.begin(), x.end()),
                                                  *std::max_element(x.begin(), x.end()));
}

// Whether a shapefile has a .prj beside it (GDAL read no system from it).
std::optional<std::string> PrjText(const std::string& shp) {
  fs::path prj = shp;
  prj.replace_extension(".prj");
  std::error_code ec;
  if (!fs::is_regular_file(prj, ec)) {
    prj.replace_extension(".PRJ");
    if (!fs::is_regular_file(prj, ec)) return std::nullopt;
  }
  std::ifstream in(prj, std::ios::binary);
  std::string text(200, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return Trim(text);
}

std::string DescribeOptions() {
  return "请说明它的坐标：坐标系統和中央经线（需要时还有分度方法、坐标是否加带号；命令行：--datum、"
         "--central-meridian、--zone-width、--zone-prefix）";
}

// The run's own system, which a reprojected input is put into: its planar
// Gauss-Krueger system, or the datum's longitude/latitude for a sheet index
// framed in geographic output.
SpatialReference RunSystem(const TFrameSettings& s, bool index) {
  RecordingFeedback said;
  SpatialReference ref = index && s.GeodeticOutput ? MakeGeographicReference(s.datum(), said)
                                                   : MakeProjectedReference(CoordParamsOf(s), said);
  if (ref.empty())
    throw RunError("无法建立输出的坐标系统" + (said.messages.empty() ? "" : "：" + said.messages.front()));
  return ref;
}

// A run over a file: the input opened once, its own system taken as the
// truth about its coordinates (the options choose the output system; they
// describe the input only when it states none), every selected feature read
// once, the meridian and scale decided from what it holds.
void PlanFile(RunPlan& plan, TFrameSettings& s, const std::function<bool()>& stopRequested) {
  const RunRequest& r = plan.request;
  const std::string& path = r.inputPath;
  plan.input = InspectInput(path);
  const InputInspection& in = *plan.input;
  CheckPolygonInput(in.cls, path);
  plan.nameField = CheckNamingField(in.cls, r.nameTemplate, in.nameFields);
  plan.where = Trim(r.where);
  const bool index = r.mode == CreationMode::SheetIndex;
  const bool described = r.coords.datum && r.coords.centralMeridian;
  if (in.ref.empty()) {
    if (const auto prj = PrjText(path)) throw RunError(path + "的坐标系统文件(.prj)无法识别：" + *prj);
    if (!described) throw RunError(path + "没有定义坐标系统；" + DescribeOptions());
    plan.systemDescribed = true;
  }
  // A system that places nothing on the earth (a local grid of its own)
  // states nothing usable: the person describes it, or it is refused.
  if (!in.ref.empty() && !in.ref.isGeographic() && !in.ref.isProjected()) {
    if (!described)
      throw RunError(path + "的坐标系统 " + in.ref.name() +
                     " 是独立的本地坐标系，不能换算到高斯-克吕格坐标；" + DescribeOptions());
    plan.systemDescribed = true;
  }
  std::optional<InputCoordinates> inputCoords;
  if (!in.ref.empty() && !plan.systemDescribed) {
    inputCoords = InputCoordinatesOf(in.ref);
    plan.inputSystem = inputCoords->description;
  }
  bool meridianDecided = ApplyCoordinateChoice(r.coords, inputCoords ? &*inputCoords : nullptr, s);
  // A system off the datum table on a datum of it (UTM, Web Mercator):
  // the output defaults to that datum.
  if (!r.coords.datum && inputCoords && !inputCoords->recognised)
    if (const auto datum = DatumPairOf(in.ref, in.ref).source) s.CoordSysIndex = IndexOf(*datum);
  ApplyScaleText(r.scale, s);
  if (!meridianDecided) {
    const auto lon = SelectionLongitudes(in, plan.where);
    if (!lon) throw RunError("无法确定" + path + "的经度范围，请填写中央经线");
    s.centralMeridian = AreaMeridian(lon->first, lon->second, s.is3DegreeZone);
    plan.notes.push_back("中央经线 " + Degrees(s.centralMeridian) + "（数据中心所在的" +
                         ZoneWidthName(s.is3DegreeZone) + "）");
  }

  // The way from the input's system to the run's.
  if (!plan.systemDescribed) {
    const SpatialReference target = RunSystem(s, index);
    try {
      CoordinateTransform transform(in.ref, target, r.transformation);
      if (!transform.isIdentity()) {
        plan.inputUse = "投影到输出的坐标系统：" + transform.description();
        plan.notes.push_back(plan.inputUse);
        const bool geographicOut = index && s.GeodeticOutput;
        plan.reprojection = index ? InputReprojection::ForSheets(transform, {plan.nameField, s.edtField},
                                                                 CoordParamsOf(s), geographicOut)
                                  : InputReprojection::ForAreas(transform);
      } else {
        plan.inputUse = "按其自身的坐标系统使用";
      }
    } catch (const RunError& e) {
      // A system GDAL reads but cannot transform (a local grid of its own)
      // states nothing usable: the person may describe it.
      if (in.ref.isGeographic() || in.ref.isProjected() || !described) {
        const bool needsOne =
            !r.transformation && DatumPairOf(in.ref, target).relation == DatumRelation::Different;
        throw RunError(
            path + "：" + e.what() +
            (needsOne
                 ? "（命令行：--towgs84 DX,DY,DZ,RX,RY,RZ,DS 或 --transform 管道；窗口：坐标系统中的七参数）"
                 : ""));
      }
      plan.systemDescribed = true;
    }
  }
  if (plan.systemDescribed) {
    plan.inputUse = "按所选的坐标系统读取（文件本身没有可用的坐标系统）";
    plan.notes.push_back(path + "的坐标" + plan.inputUse);
  }

  FileRunRequest check_request{r.mode,
                               path,
                               in.cls,
                               plan.where,
                               plan.nameField,
                               r.nameTemplate,
                               {plan.nameField, s.edtField},
                               plan.reprojection,
                               plan.systemDescribed,
                               {}};
  check_request.stopRequested = stopRequested;
  const FileRunCheck check = CheckFileRun(check_request, s);
  if (index) {
    const long typedScale = std::lround(static_cast<double>(s.ScaleFactor * 10000));
    if (check.numberScale) {
      const long denominator = ScaleDenominatorOfIndex(*check.numberScale);
      if (!r.scale || typedScale != denominator)
        plan.notes.push_back("比例尺按图幅号为" + ScaleName(denominator) +
                             (r.scale ? "，所填的" + ScaleName(typedScale) + "不用" : std::string()));
      s.ScaleFactor = static_cast<long double>(denominator) / 10000;
      plan.scaleFromSheets = true;
    } else if (const auto size = check.sizeScale(); size && !r.scale) {
      const long denominator = ScaleDenominatorOfIndex(*size);
      if (denominator != typedScale) plan.notes.push_back("比例尺按图幅大小为" + ScaleName(denominator));
      s.ScaleFactor = static_cast<long double>(denominator) / 10000;
      plan.scaleFromSheets = true;
    }
  }
  CheckScale(s.ScaleFactor * 10000);
  if (index) CheckIndexScale(check, s.ScaleFactor * 10000);
  // Each feature by its own extent in the run's system (a reprojected
  // input's as the run sees it).
  if (!s.GeodeticOutput || !index) CheckProjectedParams(CoordParamsOf(s));
  check.reach.check(path);
  plan.fids = check.fids;
  plan.skipped = check.skipped;
  plan.frameNames = check.names;
  plan.extent = check.extent;
}

// A declination from a geomagnetic model needs a model file that reads and
// covers the diagram's year: told before the output is touched.
void CheckMagneticModel(const TFrameSettings& s) {
  if (!s.chkNorthShow || s.rgDeclination != 1) return;
  if (s.edtCofFile.empty())
    throw RunError("三北方向图：由地磁模型计算磁偏角，但没有给出模型文件(edtCofFile)");
  const GeomagneticModel model = GeomagneticModel::Read(s.edtCofFile);
  const Date today = Date::Today();
  const double year = s.seNorthYear > 0 ? s.seNorthYear : DecimalYear(today.year, today.month, today.day);
  model.declination(30, 110, 0, year);  // refuses a year the model does not cover
}

}  // namespace

RunPlan PlanRun(const RunRequest& request, const std::function<bool()>& stopRequested) {
  RunPlan plan;
  plan.request = request;
  TFrameSettings s = request.settings;
  s.CreateMode = request.mode;
  const bool fileRun = request.mode != CreationMode::SheetNumber;
  if (fileRun) TemplateField(request.nameTemplate);
  PlanOutput(plan);
  if (fileRun) {
    PlanFile(plan, s, stopRequested);
  } else {
    if (request.sheetNumber.empty()) throw RunError("图幅号不能空");
    const bool meridianStated = ApplyCoordinateChoice(request.coords, nullptr, s);
    ApplyScaleText(request.scale, s);
    if (LooksLikeRectNumber(request.sheetNumber))
      PlanRectSheet(plan, s, meridianStated);
    else
      PlanNationalSheet(plan, s, meridianStated);
  }
  CheckMagneticModel(s);
  // The checks and the notes then speak of the layout the output is made in.
  s.sharedLayout = LayoutOfOutput(plan.output, OutputLayoutOf(s)) == OutputLayout::Shared;
  plan.settings = s;
  plan.system = SystemName(s);
  PlanExistingOutput(plan);
  CheckPlannedOutput(plan);
  return plan;
}

}  // namespace tarvik
