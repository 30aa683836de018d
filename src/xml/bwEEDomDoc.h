#pragma once
// bwEEDomDoc: turns a DOM parse error into readable text for error reports. It is the
// extractor that bwXMLBrowser::Load hands to the error library when a text does not
// parse, so that the report carries the reason, the line and a caret under the column.

#include <pugixml.hpp>

#include <cstdint>
#include <string>
#include <string_view>

#include "errors/Faultnet31.h"

namespace pf {

// What the DOM reports about a failed parse. errorCode 0 means no error.
struct DomParseError {
  int32_t errorCode = 0;
  std::string reason;
  int32_t line = 0;     // from 1
  int32_t linepos = 0;  // character position in the line, from 1
  std::string srcText;  // the text of the failing line

  // Builds the report of a pugixml parse of `source` (UTF-8).
  static DomParseError FromParse(const pugi::xml_parse_result& result, std::string_view source);
};

class bwEEDomDoc : public IErrExtractor {
 public:
  std::string ErrTypeName() const override { return "bwEEDomDoc"; }
  // `server` is a const DomParseError* (or nullptr).
  std::string Extract(const void* server) override { return Extract(static_cast<const DomParseError*>(server)); }

  // Empty when Doc is absent, reports no error, or the error being handled lies in the
  // plain-message range; otherwise, joined by CR LF: "Description: " and the reason
  // without CR LF, "Source Line: " and the line with tabs as blanks, a caret line, and
  // " Line=" n " Pos=" n.
  std::string Extract(const DomParseError* Doc);
};

}  // namespace pf
