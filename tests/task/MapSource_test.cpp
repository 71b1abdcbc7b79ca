// URL templates of map sources: every field for known tiles, the TMS mirror, quadkeys,
// subdomain rotation, and the templates refused before any tile is asked of them.
#include "task/MapSource.h"

#include <gtest/gtest.h>

#include <string>

namespace kartovel {
namespace {

TEST(UrlTemplate, ExpandsEveryFieldForKnownTiles) {
  const struct {
    const char* urlTemplate;
    const char* subdomains;
    int32_t x, y, zoom;
    const char* url;
  } cases[] = {
      {"http://h/{z}/{x}/{y}.png", "", 3, 5, 3, "http://h/3/3/5.png"},
      {"http://h/{z}/{x}/{-y}.png", "", 3, 5, 3, "http://h/3/3/2.png"},  // 8 - 1 - 5
      {"http://h/q{q}.jpeg", "", 3, 5, 3, "http://h/q213.jpeg"},
      {"http://h/{q}", "", 0, 0, 1, "http://h/0"},
      {"http://h/{q}", "", 1, 1, 1, "http://h/3"},
      {"http://h/{q}", "", 6744, 3104, 13, "http://h/1321001211000"},
      {"http://h/{q}/", "", 0, 0, 0, "http://h//"},  // the whole world has an empty key
      {"https://{s}.h/{z}/{x}/{y}/{-y}/{q}?a={x}", "ab", 3, 5, 3, "https://a.h/3/3/5/2/213?a=3"},
      // Text around the fields, braces that are no field, a brace never closed.
      {"http://h/t?x={x}&l={layer}&{", "", 7, 8, 4, "http://h/t?x=7&l={layer}&{"},
      {"http://h/{z}/{x}/{y}", "", 262143, 0, 18, "http://h/18/262143/0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExpandTileUrl(c.urlTemplate, c.subdomains, c.x, c.y, c.zoom), c.url)
        << c.urlTemplate << " " << c.x << "," << c.y << "," << c.zoom;
  }
}

TEST(UrlTemplate, RotatesSubdomainsByColumnPlusRow) {
  const struct {
    int32_t x, y;
    const char* url;
  } cases[] = {{0, 0, "http://a.h/"}, {1, 0, "http://b.h/"}, {1, 1, "http://c.h/"},
               {2, 1, "http://a.h/"}, {0, 4, "http://b.h/"}, {500, 502, "http://a.h/"}};
  for (const auto& c : cases) {
    EXPECT_EQ(ExpandTileUrl("http://{s}.h/", "abc", c.x, c.y, 10), c.url) << c.x << "," << c.y;
  }
}

TEST(UrlTemplate, MirrorsTmsRowsAboutTheGridsMiddleAtEveryZoom) {
  for (int32_t zoom = 1; zoom <= 30; ++zoom) {
    const int32_t lastRow = static_cast<int32_t>((int64_t{1} << zoom) - 1);
    for (const int32_t y : {0, lastRow / 2, lastRow}) {
      EXPECT_EQ(ExpandTileUrl("http://h/{-y}", "", 0, y, zoom),
                ExpandTileUrl("http://h/{y}", "", 0, lastRow - y, zoom))
          << "zoom " << zoom << " row " << y;
    }
  }
}

TEST(UrlTemplate, KeepsOneQuadkeyDigitPerZoomLevel) {
  for (int32_t zoom = 0; zoom <= 30; ++zoom) {
    const int32_t last = static_cast<int32_t>((int64_t{1} << zoom) - 1);
    EXPECT_EQ(Quadkey(last, last, zoom), std::string(static_cast<size_t>(zoom), '3'));
    EXPECT_EQ(Quadkey(0, 0, zoom), std::string(static_cast<size_t>(zoom), '0'));
  }
}

TEST(UrlTemplate, RefusesTemplatesThatCannotAddressATile) {
  const struct {
    const char* urlTemplate;
    const char* subdomains;
    const char* fault;  // nullptr: accepted
  } cases[] = {
      {"http://h/{z}/{x}/{y}.png", "", nullptr},
      {"HTTPS://h/{z}/{x}/{-y}.png", "", nullptr},
      {"http://h/{q}", "", nullptr},
      {"http://{s}.h/{z}/{x}/{y}", "abc123", nullptr},
      {"ftp://h/{z}/{x}/{y}", "", "the Url must begin with http:// or https://"},
      {"h/{z}/{x}/{y}", "", "the Url must begin with http:// or https://"},
      {"file:///etc/{x}/{y}", "", "the Url must begin with http:// or https://"},
      {"http:///{z}/{x}/{y}", "", "the Url names no host"},
      {"http://", "", "the Url names no host"},
      {"http://h/{z}/{x} /{y}", "", "the Url holds a blank or a control character"},
      {"http://h/{z}/{x}/{y}\t", "", "the Url holds a blank or a control character"},
      {"http://h/{z}/{x}", "", "the Url needs {x} and {y} (or {-y}), or {q}"},
      {"http://h/{z}/{y}/{-y}", "", "the Url needs {x} and {y} (or {-y}), or {q}"},
      {"http://h/tile.png", "", "the Url needs {x} and {y} (or {-y}), or {q}"},
      {"http://h/{z}/{x}/{Y}", "", "the Url has an unknown field {Y}"},
      {"http://h/{zoom}/{x}/{y}", "", "the Url has an unknown field {zoom}"},
      {"http://h/{x}/{y}/{", "", "the Url has a { without its }"},
      {"http://{s}.h/{x}/{y}", "", "the Url has {s} but Subdomains is empty"},
      {"http://{s}.h/{x}/{y}", "a.b",
       "Subdomains may hold only letters and digits, one per "
       "subdomain"},
  };
  for (const auto& c : cases) {
    const std::optional<std::string> fault = UrlTemplateFault(c.urlTemplate, c.subdomains);
    if (c.fault) {
      EXPECT_EQ(fault.value_or("accepted"), c.fault) << c.urlTemplate;
    } else {
      EXPECT_FALSE(fault) << c.urlTemplate << ": " << *fault;
    }
  }
}

}  // namespace
}  // namespace kartovel
