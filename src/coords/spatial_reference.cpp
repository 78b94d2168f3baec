#include "coords/spatial_reference.h"

#include <cpl_conv.h>
#include <ogr_spatialref.h>

#include <cstdlib>
#include <memory>

namespace tarvik {

void SpatialReference::Deleter::operator()(OGRSpatialReference* ref) const {
  if (ref) ref->Release();
}

SpatialReference::SpatialReference() = default;
SpatialReference::~SpatialReference() = default;
SpatialReference::SpatialReference(SpatialReference&&) noexcept = default;
SpatialReference& SpatialReference::operator=(SpatialReference&&) noexcept = default;

SpatialReference::SpatialReference(OGRSpatialReference* owned) : ref_(owned) {
  if (ref_) ref_->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
}

SpatialReference::SpatialReference(const SpatialReference& other)
    : domain_(other.domain_), shared_(other.shared_) {
  if (!other.ref_) return;
  if (shared_) {
    // GDAL counts the holders of its object (Release() in the deleter).
    other.ref_->Reference();
    ref_.reset(other.ref_.get());
    return;
  }
  ref_.reset(other.ref_->Clone());
  ref_->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
}

SpatialReference SpatialReference::Independent(const SpatialReference& ref) {
  SpatialReference copy(ref.ref_ ? ref.ref_->Clone() : nullptr);
  copy.domain_ = ref.domain_;
  return copy;
}

SpatialReference& SpatialReference::operator=(const SpatialReference& other) {
  if (this != &other) {
    SpatialReference copy(other);
    *this = std::move(copy);
  }
  return *this;
}

SpatialReference SpatialReference::FromEpsg(int code) {
  auto* ref = new OGRSpatialReference();
  if (ref->importFromEPSG(code) != OGRERR_NONE) {
    ref->Release();
    return SpatialReference();
  }
  return SpatialReference(ref);
}

SpatialReference SpatialReference::FromEpsgAsIs(int code) {
  // GDAL swaps a deprecated code for its replacement unless told otherwise;
  // the option is set for this thread only and restored afterwards.
  const char* key = "OSR_USE_NON_DEPRECATED";
  const char* before = CPLGetThreadLocalConfigOption(key, nullptr);
  const std::string saved = before ? before : "";
  CPLSetThreadLocalConfigOption(key, "NO");
  SpatialReference ref = FromEpsg(code);
  CPLSetThreadLocalConfigOption(key, before ? saved.c_str() : nullptr);
  return ref;
}

SpatialReference SpatialReference::TransverseMercator(int geographicCode, const std::string& name,
                                                      double centralMeridian, double falseEasting) {
  OGRSpatialReference geographic;
  if (geographic.importFromEPSG(geographicCode) != OGRERR_NONE) return SpatialReference();
  auto* ref = new OGRSpatialReference();
  const bool ok = ref->SetProjCS(name.c_str()) == OGRERR_NONE &&
                  ref->CopyGeogCSFrom(&geographic) == OGRERR_NONE &&
                  ref->SetTM(0, centralMeridian, 1, falseEasting, 0) == OGRERR_NONE &&
                  ref->SetLinearUnits(SRS_UL_METER, 1) == OGRERR_NONE;
  if (!ok) {
    ref->Release();
    return SpatialReference();
  }
  return SpatialReference(ref);
}

bool SpatialReference::toGeographic(std::vector<double>& x, std::vector<double>& y) const {
  if (!ref_ || x.size() != y.size()) return false;
  std::unique_ptr<OGRSpatialReference, Deleter> base(ref_->CloneGeogCS());
  if (!base) return false;
  base->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> t(OGRCreateCoordinateTransformation(ref_.get(), base.get()));
  return t && t->Transform(x.size(), x.data(), y.data());
}

SpatialReference SpatialReference::FromWkt(const std::string& wkt) {
  auto* ref = new OGRSpatialReference();
  if (wkt.empty() || ref->SetFromUserInput(wkt.c_str()) != OGRERR_NONE) {
    ref->Release();
    return SpatialReference();
  }
  return SpatialReference(ref);
}

SpatialReference SpatialReference::FromOgr(const OGRSpatialReference* ref) {
  if (!ref) return SpatialReference();
  return SpatialReference(ref->Clone());
}

int SpatialReference::epsgCode() const {
  if (!ref_) return 0;
  const char* target = ref_->IsProjected() ? "PROJCS" : ref_->IsGeographic() ? "GEOGCS" : nullptr;
  const char* authority = ref_->GetAuthorityName(target);
  const char* code = ref_->GetAuthorityCode(target);
  if (!authority || !code || std::string(authority) != "EPSG") return 0;
  return std::atoi(code);
}

bool SpatialReference::isGeographic() const { return ref_ && ref_->IsGeographic(); }
bool SpatialReference::isProjected() const { return ref_ && ref_->IsProjected(); }

std::string SpatialReference::name() const {
  if (!ref_) return {};
  const char* n = ref_->GetName();
  return n ? n : "";
}

std::string SpatialReference::wkt() const {
  if (!ref_) return {};
  char* text = nullptr;
  ref_->exportToWkt(&text);
  std::string out = text ? text : "";
  CPLFree(text);
  return out;
}

void SpatialReference::setDomain(double xMin, double xMax, double yMin, double yMax) {
  domain_ = {xMin, xMax, yMin, yMax, true};
}

double SpatialReference::semiMajorAxis() const { return ref_ ? ref_->GetSemiMajor() : 0; }
double SpatialReference::inverseFlattening() const { return ref_ ? ref_->GetInvFlattening() : 0; }

double SpatialReference::xyResolution() const { return isGeographic() ? 1e-9 : 0.0001; }

}  // namespace tarvik
