// Writing small XML documents as text: escaping and number formatting that
// QGIS reads back exactly whatever the locale.
#pragma once

#include <string>
#include <string_view>

namespace tarvik::deliver {

// Text escaped for an attribute value or element content (&, <, >, ", ' and
// line breaks, which attribute normalisation would otherwise turn into
// blanks).
std::string XmlEscape(std::string_view text);

// ` name="value"` with the value escaped.
std::string XmlAttr(std::string_view name, std::string_view value);
std::string XmlAttr(std::string_view name, double value);

// Shortest plain decimal (no exponent) that reads back as the same double,
// "." as the decimal separator.
std::string Number(double value);

}  // namespace tarvik::deliver
