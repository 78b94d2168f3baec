#include "coords/utBJ54Xian80.h"

namespace tarvik {
namespace {

const char* const kFailed = "失败";

int ZoneCode(int zone, bool is3Degree, bool addZone, int prefixed3, int plain3, int prefixed6,
             int plain6) {
  if (is3Degree) {
    if (zone < 25 || zone > 45) return 0;
    return (addZone ? prefixed3 : plain3) + (zone - 25);
  }
  if (zone < 13 || zone > 23) return 0;
  return (addZone ? prefixed6 : plain6) + (zone - 13);
}

SpatialReference Create(int code, UserFeedback& feedback) {
  SpatialReference ref = code > 0 ? SpatialReference::FromEpsgAsIs(code) : SpatialReference();
  if (ref.empty()) feedback.message(kFailed);
  return ref;
}

SpatialReference CreateGeographic(int code, UserFeedback& feedback) {
  SpatialReference ref = Create(code, feedback);
  if (!ref.empty()) ref.setDomain(0, 360, 0, 90);
  return ref;
}

}  // namespace

int Xian80ProjectedCode(int zone, bool is3Degree, bool addZone) {
  return ZoneCode(zone, is3Degree, addZone, 2349, 2370, 2327, 2338);
}

int Beijing54ProjectedCode(int zone, bool is3Degree, bool addZone) {
  return ZoneCode(zone, is3Degree, addZone, 2401, 2422, 21413, 21473);
}

SpatialReference MakeXian80Projected(int zone, bool is3Degree, bool addZone,
                                     UserFeedback& feedback) {
  return Create(Xian80ProjectedCode(zone, is3Degree, addZone), feedback);
}

SpatialReference MakeBeijing54Projected(int zone, bool is3Degree, bool addZone,
                                        UserFeedback& feedback) {
  return Create(Beijing54ProjectedCode(zone, is3Degree, addZone), feedback);
}

SpatialReference MakeXian80Geographic(UserFeedback& feedback) {
  return CreateGeographic(4610, feedback);
}

SpatialReference MakeBeijing54Geographic(UserFeedback& feedback) {
  return CreateGeographic(4214, feedback);
}

}  // namespace tarvik
