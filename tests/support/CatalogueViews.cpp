#include "support/CatalogueViews.h"

#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "support/TestEnv.h"

namespace pftest {

namespace {

using Columns = std::vector<std::pair<std::string, std::string>>;  // name, PostgreSQL type

// The columns of each table, with the sources, are in tests/data/support/catalogue-views.txt.
const Columns& ColumnsOf(const std::string& table) {
  static const std::map<std::string, Columns> tables = [] {
    std::map<std::string, Columns> read;
    for (const std::string& line : DataLines("support/catalogue-views.txt")) {
      const std::vector<std::string> f = Fields(line);
      read[f.at(0)].emplace_back(f.at(1), f.at(2));
    }
    return read;
  }();
  const auto it = tables.find(table);
  if (it == tables.end()) throw std::invalid_argument("no catalogue view for " + table);
  return it->second;
}

}  // namespace

std::string CatalogueView(const std::string& Table, const std::set<std::string>& Given, const std::string& From) {
  std::string select;
  for (const auto& [name, type] : ColumnsOf(Table))
    select += (select.empty() ? "" : ", ") + (Given.count(name) ? name : "NULL") + "::" + type + " AS " + name;
  return "DROP VIEW IF EXISTS " + Table + "; CREATE VIEW " + Table + " AS SELECT " + select + " " + From + ";";
}

}  // namespace pftest
