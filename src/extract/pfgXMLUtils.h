#pragma once
// pfgXMLUtils: recordsets as XML text in the persistence format, cutting out their
// row elements, renaming elements, and writing elements and attributes with escaping.
// The generated classes carry the same module; CServer uses it for its XML members.

#include <string>
#include <string_view>

#include "base/SourceText.h"

namespace pf::ado {
class Recordset;
}

namespace pf::pfgXMLUtils {

// The recordset saved in the XML persistence format, as the data-access layer writes
// it (no line-end change). A failure is raised again with its number and source and
// the description prefixed by "(xmlSaveRecordset) ".
std::string xmlSaveRecordset(ado::Recordset& Rs);
// The text between "<rs:data>" and "</rs:data>" of xmlSaveRecordset with the row
// element "z:row" renamed to ZRowElem; empty when the tags are not found in that
// order. Failures are prefixed by "(xmlExtractRecords) ".
std::string xmlExtractRecords(ado::Recordset& Rs, const std::string& ZRowElem);
// Replaces the element name OldName by NewName in "<O ", "<O>", "<O/>" and "</O>", in
// that order; nothing else is parsed, so names that only begin with O stay.
std::string xmlRenameElement(std::string_view XML, std::string_view OldName, std::string_view NewName);
// "<ElemName" + Attributes, then "/>" for empty Content or ">" + Content + "</ElemName>",
// then CR LF. Content is inserted as it is.
std::string xmlElement(std::string_view ElemName, std::string_view Attributes, std::string_view Content);
// " AttrName='escaped value'".
std::string xmlAttribute(std::string_view AttrName, std::string_view AttrValue);
// & < > " ' as entities, the ampersand first so that no entity is escaped twice.
std::string xmlEscape(std::string_view Text);
// Data inside RsDataElem: "<RsDataElem>" (or RsDataElem itself when it holds "<") +
// Data + ClosingTag (or "</RsDataElem>" when ClosingTag is empty); Data alone when
// RsDataElem is empty.
std::string xmlWrapData(std::string_view Data, std::string_view RsDataElem, std::string_view ClosingTag);

// Helpers shared with CServer.
// The recordset saved into a stream as XML and read back; failures pass unchanged.
std::string SavedText(ado::Recordset& Rs);
using srctext::ReplaceAll;
// Every LF becomes CR LF, then every CR CR LF becomes CR LF.
std::string NormalizeLineEnds(std::string_view text);
// The text between the first "<rs:data>" and the first "</rs:data>" after it; empty
// when the start tag is missing or the end tag does not follow it.
std::string RowText(std::string_view savedXml);

}  // namespace pf::pfgXMLUtils
