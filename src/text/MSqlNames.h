#pragma once
// SQL Server's bracketed names. A procedure outside the login's default schema is known to
// the procedure list, the profile and the class by its schema-qualified name
// "[schema].[name]"; one in the default schema by its bare name.

#include <string>
#include <string_view>

namespace pf::MSqlNames {

// The name in brackets, a "]" of it written "]]".
std::string Bracketed(std::string_view Name);
// "[Schema].[Name]".
std::string SchemaQualified(std::string_view Schema, std::string_view Name);
// Whether Qualified is a whole "[schema].[name]" as SchemaQualified writes it; if so,
// Schema and Name get its parts, unbracketed.
bool SplitSchemaQualified(std::string_view Qualified, std::string& Schema, std::string& Name);

}  // namespace pf::MSqlNames
