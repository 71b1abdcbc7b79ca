// The built-in map type and the URL templates of map sources: their expansion for one tile
// and the rules a template must meet before any tile is asked of it.
#include "task/MapSource.h"

#include <array>
#include <charconv>

#include "common/Text.h"

namespace kartovel {
namespace {

// The largest zoom of the tile grid: 1 << zoom stays a positive signed 32-bit integer.
constexpr int32_t kGridMaxZoom = 30;

constexpr std::array<std::string_view, 2> kSchemes = {"http://", "https://"};

void AppendNumber(std::string& out, int64_t value) {
  char digits[24];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
  out.append(digits, result.ptr);
}

bool IsLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The value of one field for a tile; nothing for a name that is no field.
std::optional<std::string> FieldValue(std::string_view name, std::string_view subdomains, int32_t x,
                                      int32_t y, int32_t zoom) {
  std::string value;
  if (name == "x") {
    AppendNumber(value, x);
  } else if (name == "y") {
    AppendNumber(value, y);
  } else if (name == "-y") {
    AppendNumber(value, (int64_t{1} << zoom) - 1 - y);
  } else if (name == "z") {
    AppendNumber(value, zoom);
  } else if (name == "q") {
    value = Quadkey(x, y, zoom);
  } else if (name == "s") {
    if (!subdomains.empty()) {
      const auto count = static_cast<int64_t>(subdomains.size());
      const int64_t turn = ((int64_t{x} + y) % count + count) % count;
      value.push_back(subdomains[static_cast<size_t>(turn)]);
    }
  } else {
    return std::nullopt;
  }
  return value;
}

// The fields a template uses, found by one scan; Fault is set at the first bad brace.
struct TemplateFields {
  bool x = false, y = false, southY = false, q = false, s = false;
  std::optional<std::string> fault;
};

TemplateFields ScanFields(std::string_view urlTemplate) {
  TemplateFields fields;
  for (size_t open = urlTemplate.find('{'); open != std::string_view::npos;
       open = urlTemplate.find('{', open + 1)) {
    const size_t close = urlTemplate.find('}', open);
    if (close == std::string_view::npos) {
      fields.fault = "the Url has a { without its }";
      return fields;
    }
    const std::string_view name = urlTemplate.substr(open + 1, close - open - 1);
    bool* seen = name == "x"    ? &fields.x
                 : name == "y"  ? &fields.y
                 : name == "-y" ? &fields.southY
                 : name == "q"  ? &fields.q
                 : name == "s"  ? &fields.s
                                : nullptr;
    if (seen) {
      *seen = true;
    } else if (name != "z") {
      fields.fault = "the Url has an unknown field {" + std::string(name) + "}";
      return fields;
    }
  }
  return fields;
}

}  // namespace

MapSource BuiltInMapSource() {
  MapSource source;
  source.MapsType = kBuiltInMapsType;
  source.Name = kBuiltInSourceName;
  source.Prefix = kBuiltInPrefix;
  source.Extension = kBuiltInExtension;
  source.MinZoom = 0;
  source.MaxZoom = kGridMaxZoom;
  source.Workers = 8;
  source.PauseMs = 1000;
  return source;
}

bool IsBuiltIn(const MapSource& source) {
  return source.MapsType == kBuiltInMapsType;
}

std::string Quadkey(int32_t x, int32_t y, int32_t zoom) {
  std::string key;
  for (int32_t level = zoom; level > 0; --level) {
    const int64_t mask = int64_t{1} << (level - 1);
    const int digit = ((x & mask) != 0 ? 1 : 0) + ((y & mask) != 0 ? 2 : 0);
    key.push_back(static_cast<char>('0' + digit));
  }
  return key;
}

std::string ExpandTileUrl(std::string_view urlTemplate, std::string_view subdomains, int32_t x,
                          int32_t y, int32_t zoom) {
  std::string url;
  url.reserve(urlTemplate.size() + 32);
  size_t from = 0;
  while (from < urlTemplate.size()) {
    const size_t open = urlTemplate.find('{', from);
    const size_t close = open == std::string_view::npos ? open : urlTemplate.find('}', open);
    if (close == std::string_view::npos) {
      break;
    }
    url.append(urlTemplate.substr(from, open - from));
    const std::string_view name = urlTemplate.substr(open + 1, close - open - 1);
    if (auto value = FieldValue(name, subdomains, x, y, zoom)) {
      url.append(*value);
    } else {
      url.append(urlTemplate.substr(open, close - open + 1));
    }
    from = close + 1;
  }
  url.append(urlTemplate.substr(std::min(from, urlTemplate.size())));
  return url;
}

std::optional<std::string> UrlTemplateFault(std::string_view urlTemplate,
                                            std::string_view subdomains) {
  std::optional<std::string_view> afterScheme;
  for (std::string_view scheme : kSchemes) {
    if (StartsWithIgnoringCase(urlTemplate, scheme)) {
      afterScheme = urlTemplate.substr(scheme.size());
    }
  }
  if (!afterScheme) {
    return "the Url must begin with http:// or https://";
  }
  if (afterScheme->empty() || afterScheme->front() == '/') {
    return "the Url names no host";
  }
  for (const char c : urlTemplate) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') {
      return std::string("the Url holds a blank or a control character");
    }
  }
  const TemplateFields fields = ScanFields(urlTemplate);
  if (fields.fault) {
    return fields.fault;
  }
  if (!fields.q && !(fields.x && (fields.y || fields.southY))) {
    return "the Url needs {x} and {y} (or {-y}), or {q}";
  }
  if (fields.s && subdomains.empty()) {
    return "the Url has {s} but Subdomains is empty";
  }
  for (const char c : subdomains) {
    if (!IsLetterOrDigit(c)) {
      return "Subdomains may hold only letters and digits, one per subdomain";
    }
  }
  return std::nullopt;
}

}  // namespace kartovel
