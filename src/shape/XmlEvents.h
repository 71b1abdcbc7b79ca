// One pass of expat over an XML text, handing elements (by local name, without a
// namespace prefix) and text to a listener. A document that declares an entity is refused
// at that declaration, so an entity bomb never expands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kartovel {

class XmlListener {
 public:
  virtual ~XmlListener() = default;
  // attributes: name, value, name, value ...
  virtual void Start(std::string_view name, const char** attributes) = 0;
  virtual void End(std::string_view name) = 0;
  virtual void Text(std::string_view text) = 0;
};

enum class XmlOutcome { Parsed, Malformed, DeclaresEntities };

struct XmlResult {
  XmlOutcome Outcome = XmlOutcome::Parsed;
  std::string Reason;  // for Malformed: expat's reason and the line
};

XmlResult ParseXml(std::string_view text, XmlListener& listener);
// ParseXml for a shape file: a refused or malformed text throws ShapeFormatError.
void ParseShapeXml(std::string_view text, XmlListener& listener);

// Reads up to the first element of an XML text and gives its local name in root ("kml"
// for <kml:kml ...>), left empty when the text has none.
XmlResult FindRootElement(std::string_view text, std::string& root);

// The value of an attribute by local name; empty when absent.
std::string_view AttributeOf(const char** attributes, std::string_view name);

}  // namespace kartovel
