#include "deliver/xml_text.h"

#include <charconv>
#include <cmath>

namespace tarvik::deliver {

std::string XmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      case '\t':
        out += "&#9;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string XmlAttr(std::string_view name, std::string_view value) {
  std::string out = " ";
  out += name;
  out += "=\"";
  out += XmlEscape(value);
  out += '"';
  return out;
}

std::string XmlAttr(std::string_view name, double value) { return XmlAttr(name, Number(value)); }

std::string Number(double value) {
  if (!std::isfinite(value)) return "0";
  if (value == 0) return "0";
  // Plain decimals (QGIS does not read exponents in every field); the
  // shortest that reads back exactly.
  char buffer[512];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (r.ec != std::errc()) return "0";
  return std::string(buffer, r.ptr);
}

}  // namespace tarvik::deliver
