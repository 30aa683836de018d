#include "support/CatalogueViews.h"

#include <stdexcept>
#include <utility>
#include <vector>

namespace pftest {

namespace {

using Columns = std::vector<std::pair<const char*, const char*>>;  // name, PostgreSQL type

// SQL Server's sysobjects: "sys.sysobjects (Transact-SQL)", Microsoft Learn (sysname is
// nvarchar(128), datetime a timestamp).
const Columns kSysobjects = {{"name", "varchar(128)"},
                             {"id", "integer"},
                             {"xtype", "char(2)"},
                             {"uid", "smallint"},
                             {"info", "smallint"},
                             {"status", "integer"},
                             {"base_schema_ver", "integer"},
                             {"replinfo", "integer"},
                             {"parent_obj", "integer"},
                             {"crdate", "timestamp"},
                             {"ftcatid", "smallint"},
                             {"schema_ver", "integer"},
                             {"stats_schema_ver", "integer"},
                             {"type", "char(2)"},
                             {"userstat", "smallint"},
                             {"sysstat", "smallint"},
                             {"indexdel", "smallint"},
                             {"refdate", "timestamp"},
                             {"version", "integer"},
                             {"deltrig", "integer"},
                             {"instrig", "integer"},
                             {"updtrig", "integer"},
                             {"seltrig", "integer"},
                             {"category", "integer"},
                             {"cache", "smallint"}};

// Access's MSysObjects: the columns of the real Jet 4 and ACE 12 files of tests/data/access,
// in the order the MDBTools ODBC driver reads them (Long, Text(255), Integer, Date/Time,
// Binary and Memo as PostgreSQL integer, varchar(255), smallint, timestamp, bytea and text).
const Columns kMSysObjects = {{"id", "integer"},
                              {"parentid", "integer"},
                              {"name", "varchar(255)"},
                              {"type", "smallint"},
                              {"datecreate", "timestamp"},
                              {"dateupdate", "timestamp"},
                              {"owner", "bytea"},
                              {"flags", "integer"},
                              {"database", "text"},
                              {"connect", "text"},
                              {"foreignname", "varchar(255)"},
                              {"rmtinfoshort", "bytea"},
                              {"rmtinfolong", "bytea"},
                              {"lv", "bytea"},
                              {"lvprop", "bytea"},
                              {"lvmodule", "bytea"},
                              {"lvextra", "bytea"}};

// Oracle's USER_ARGUMENTS and USER_SOURCE: Oracle Database Reference 18c, ALL_ARGUMENTS and
// ALL_SOURCE without OWNER (VARCHAR2 as varchar, NUMBER as numeric, LONG as text).
const Columns kUserArguments = {{"object_name", "varchar(128)"},
                                {"package_name", "varchar(128)"},
                                {"object_id", "numeric"},
                                {"overload", "varchar(40)"},
                                {"subprogram_id", "numeric"},
                                {"argument_name", "varchar(128)"},
                                {"position", "numeric"},
                                {"sequence", "numeric"},
                                {"data_level", "numeric"},
                                {"data_type", "varchar(30)"},
                                {"defaulted", "varchar(1)"},
                                {"default_value", "text"},
                                {"default_length", "numeric"},
                                {"in_out", "varchar(9)"},
                                {"data_length", "numeric"},
                                {"data_precision", "numeric"},
                                {"data_scale", "numeric"},
                                {"radix", "numeric"},
                                {"character_set_name", "varchar(44)"},
                                {"type_owner", "varchar(128)"},
                                {"type_name", "varchar(128)"},
                                {"type_subname", "varchar(128)"},
                                {"type_link", "varchar(128)"},
                                {"type_object_type", "varchar(7)"},
                                {"pls_type", "varchar(128)"},
                                {"char_length", "numeric"},
                                {"char_used", "varchar(1)"},
                                {"origin_con_id", "numeric"}};
const Columns kUserSource = {{"name", "varchar(128)"},
                             {"type", "varchar(12)"},
                             {"line", "numeric"},
                             {"text", "varchar(4000)"},
                             {"origin_con_id", "numeric"}};

const Columns& ColumnsOf(const std::string& table) {
  if (table == "sysobjects") return kSysobjects;
  if (table == "MSysObjects") return kMSysObjects;
  if (table == "user_arguments") return kUserArguments;
  if (table == "user_source") return kUserSource;
  throw std::invalid_argument("no catalogue view for " + table);
}

}  // namespace

std::string CatalogueView(const std::string& Table, const std::set<std::string>& Given, const std::string& From) {
  std::string select;
  for (const auto& [name, type] : ColumnsOf(Table))
    select +=
        std::string(select.empty() ? "" : ", ") + (Given.count(name) ? name : "NULL") + "::" + type + " AS " + name;
  return "DROP VIEW IF EXISTS " + Table + "; CREATE VIEW " + Table + " AS SELECT " + select + " " + From + ";";
}

}  // namespace pftest
