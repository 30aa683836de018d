#pragma once
// The catalogue snapshot provider: a SQLite database opened read-only, or a .sql
// script loaded into an in-memory database. Procedure parameters come from the
// table ProcedureParameters (see docs/snapshot-format.md).

#include <memory>
#include <string>

#include "platform/ado/Provider.h"

namespace pf::ado::SnapshotProvider {

// Throws ProviderError when the file is missing, is not a SQLite database, or the
// script fails (with the failing statement's position).
std::unique_ptr<IProviderSession> Open(const std::string& file);

// Runs a snapshot script into a new database and returns the database file's bytes.
// Throws ProviderError with the failing statement's line.
std::string DatabaseImage(const std::string& script);

// The ADO data type code for a declared SQLite column type (affinity rules).
int AdoTypeOfDeclared(std::string_view declaredType);

}  // namespace pf::ado::SnapshotProvider
