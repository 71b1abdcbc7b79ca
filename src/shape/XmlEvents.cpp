// The expat binding behind the KML and GPX readers.
#include "shape/XmlEvents.h"

#include <expat.h>

#include <algorithm>
#include <exception>
#include <limits>
#include <memory>

#include "shape/ShapeReaders.h"

namespace kartovel {

namespace {

std::string_view LocalName(const char* name) {
  std::string_view full(name);
  const size_t colon = full.rfind(':');
  return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

struct ParserFree {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserHandle = std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree>;

constexpr size_t kXmlPieceBytes = size_t{1} << 20;

struct Session {
  XML_Parser parser = nullptr;
  XmlListener* listener = nullptr;
  bool declaresEntities = false;
  // A listener's exception, held while expat's C frames unwind and thrown after them.
  std::exception_ptr fault;
};

template <typename Call>
void Guarded(void* data, const Call& call) {
  auto* session = static_cast<Session*>(data);
  if (session->fault) return;
  try {
    call(*session->listener);
  } catch (...) {
    session->fault = std::current_exception();
    XML_StopParser(session->parser, XML_FALSE);
  }
}

void OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
  Guarded(data, [&](XmlListener& listener) { listener.Start(LocalName(name), attributes); });
}

void OnEnd(void* data, const XML_Char* name) {
  Guarded(data, [&](XmlListener& listener) { listener.End(LocalName(name)); });
}

void OnText(void* data, const XML_Char* text, int length) {
  Guarded(data, [&](XmlListener& listener) { listener.Text(std::string_view(text, size_t(length))); });
}

void OnEntity(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
              const XML_Char*, const XML_Char*, const XML_Char*) {
  auto* session = static_cast<Session*>(data);
  session->declaresEntities = true;
  XML_StopParser(session->parser, XML_FALSE);
}

// Stops at the first element and keeps its name.
class RootFinder final : public XmlListener {
 public:
  std::string root;
  XML_Parser parser = nullptr;
  void Start(std::string_view name, const char**) override {
    if (root.empty()) root = name;
    XML_StopParser(parser, XML_FALSE);
  }
  void End(std::string_view) override {}
  void Text(std::string_view) override {}
};

XmlResult Run(std::string_view text, XmlListener& listener, RootFinder* finder) {
  ParserHandle parser(XML_ParserCreate(nullptr));
  if (!parser) throw std::bad_alloc();
  Session session{parser.get(), &listener, false, nullptr};
  if (finder != nullptr) finder->parser = parser.get();
  XML_SetUserData(parser.get(), &session);
  XML_SetElementHandler(parser.get(), &OnStart, &OnEnd);
  XML_SetCharacterDataHandler(parser.get(), &OnText);
  XML_SetEntityDeclHandler(parser.get(), &OnEntity);
  // Fed in pieces: handed the whole text at once, expat copies it into a buffer of its
  // own, which doubles the memory a large file takes.
  XML_Status status = XML_STATUS_OK;
  for (size_t at = 0; status == XML_STATUS_OK;) {
    const size_t piece = std::min(kXmlPieceBytes, text.size() - at);
    const bool last = at + piece == text.size();
    status = XML_Parse(parser.get(), text.data() + at, int(piece), last ? XML_TRUE : XML_FALSE);
    at += piece;
    if (last) break;
  }
  if (session.fault) std::rethrow_exception(session.fault);
  if (session.declaresEntities) return XmlResult{XmlOutcome::DeclaresEntities, {}};
  if (status == XML_STATUS_ERROR && XML_GetErrorCode(parser.get()) != XML_ERROR_ABORTED) {
    return XmlResult{XmlOutcome::Malformed,
                     std::string(XML_ErrorString(XML_GetErrorCode(parser.get()))) + " at line " +
                         std::to_string(XML_GetCurrentLineNumber(parser.get()))};
  }
  return XmlResult{};
}

}  // namespace

XmlResult ParseXml(std::string_view text, XmlListener& listener) {
  return Run(text, listener, nullptr);
}

XmlResult FindRootElement(std::string_view text, std::string& root) {
  RootFinder finder;
  const XmlResult result = Run(text, finder, &finder);
  root = finder.root;
  return result;
}

std::string_view AttributeOf(const char** attributes, std::string_view name) {
  for (const char** a = attributes; a != nullptr && *a != nullptr; a += 2) {
    if (LocalName(a[0]) == name) return a[1];
  }
  return {};
}

void ParseShapeXml(std::string_view text, XmlListener& listener) {
  const XmlResult result = ParseXml(text, listener);
  if (result.Outcome == XmlOutcome::DeclaresEntities) {
    throw ShapeFormatError("declares XML entities, which are refused");
  }
  if (result.Outcome == XmlOutcome::Malformed) {
    throw ShapeFormatError("is not well-formed XML (" + result.Reason + ")");
  }
}

}  // namespace kartovel
