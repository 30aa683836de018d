#pragma once
// PostgreSQL views that stand in for another server's catalogue table, for tests that take
// the test server for that server: each view has the table's columns in the server's order
// with equivalent types (the columns and their sources are in tests/data/support/
// catalogue-views.txt), so that "SELECT *" and the extractors' column reads meet the real shape.

#include <set>
#include <string>

namespace pftest {

// "DROP VIEW IF EXISTS <table>; CREATE VIEW <table> AS SELECT ... <From>;" for the catalogue
// table Table ("sysobjects", "MSysObjects", "user_arguments", "user_source"): the columns
// named in Given (lower case) are read from what From (a FROM and WHERE clause, or only a
// WHERE clause) supplies, every other column is NULL. Throws std::invalid_argument for a
// table it does not know.
std::string CatalogueView(const std::string& Table, const std::set<std::string>& Given, const std::string& From);

}  // namespace pftest
