// Text forms of coordinates on frame labels: degrees-minutes-seconds,
// degrees-minutes and the kilometre form of planar values. Degree, minute and
// second signs are the full-width "°", "′", "″". Angles are decimal degrees;
// planar values metres.
#pragma once

#include <string>

namespace tarvik {

// The seconds of every form are those of the value: whole seconds, or
// tenths where the value lies on a tenth (within 0.002 second: the half
// seconds of 1:5000 sheets, through any planar round trip), otherwise whole
// seconds rounded ties to even and carried. Negative angles are written as
// "-" and the text of their magnitude.
//
// D.MMSS, a tenth of a second as a fifth digit: 116.5 -> "116.3000",
// 39.99999 -> "40.0000", 116.46875 -> "116.28075", -130.1875 -> "-130.1115".
std::string FormatDotDMS(long double angle);
// D.MMSS text (digits after the seconds are their decimals) as
// "116°30′00″", "116°28′07.5″".
std::string DotDMSToText(const std::string& dotDms);
// DotDMSToText(FormatDotDMS(angle)).
std::string FormatDMS(long double angle);
// D°MM′, the minute rounded up from 30 seconds: 116.5083333 -> "116°31′".
std::string FormatDM(long double angle);
// Kilometres with a point after the kilometre digits: the last `before`
// kilometre digits, ".", then the metres within the kilometre written with
// three integer digits and cut to `after` characters.
// (3456789, 2, 2) -> "56.78"; (3456056.3, 2, 2) -> "56.05"; (500000, 3, 2) -> "500.00".
// An easting that carries the zone number (`zonePrefixed`) is never cut
// inside the zone number: with more than three digits asked for, all its
// kilometre digits are written ((38429750, 4, 2, true) -> "38429.75", as
// the sheet number prints it; (38429750, 2, 2, true) -> "29.75").
std::string FormatKm(long double metres, int before, int after, bool zonePrefixed = false);
// The part of FormatDMS after "°": 116.5 -> "30′00″".
std::string DMSAfterDegree(long double angle);
// Throws RunError("参数设置错误") unless 1 <= lat <= 90 and 20 <= lon <= 180.
void CheckLatLon(long double lat, long double lon);

}  // namespace tarvik
