#include "platform/ado/DataLinkFields.h"

#include <cctype>

#include "base/NoCase.h"

namespace pf::ado {

namespace {

using F = DataLinkFields::Field;
using Fam = ConnStr::Family;

// The keys that hold a field, the one written for a new pair first. ODBC strings
// without a Provider key use the ODBC names; with MSDASQL the OLE DB names come first.
std::vector<std::string_view> KeysFor(Fam family, F field, bool odbcForm) {
  switch (field) {
    case F::Server:
      if (family == Fam::Sybase) return {"Server Name", "Data Source", "Server", "Address"};
      if (family == Fam::Oracle) return {"Data Source", "DBQ", "Server"};
      return {"Data Source", "Server", "Address", "Addr", "Network Address"};
    case F::Port: return {"Server Port Address", "Port"};
    case F::Database:
      if (odbcForm) return {"DATABASE", "Initial Catalog"};
      return {"Initial Catalog", "Database"};
    case F::File: return {"Data Source", "DBQ"};
    case F::DataSourceName:
      if (odbcForm) return {"DSN", "Data Source"};
      return {"Data Source", "DSN"};
    case F::Driver: return {"Driver"};
    case F::User:
      if (odbcForm) return {"UID", "User ID"};
      return {"User ID", "UID"};
    case F::Password:
      if (odbcForm) return {"PWD", "Password"};
      return {"Password", "PWD"};
    case F::IntegratedSecurity: return {"Integrated Security", "Trusted_Connection"};
  }
  return {};
}

}  // namespace

const std::vector<DataLinkFields::Provider>& DataLinkFields::Providers() {
  static const std::vector<Provider> kProviders = {
      {"Microsoft SQL Server (SQLOLEDB)", "SQLOLEDB.1", Fam::SqlServer,
       {F::Server, F::Database, F::IntegratedSecurity, F::User, F::Password}},
      {"Sybase Adaptive Server (ASE OLE DB)", "Sybase.ASEOLEDBProvider.2", Fam::Sybase,
       {F::Server, F::Port, F::Database, F::User, F::Password}},
      {"Oracle (OraOLEDB)", "OraOLEDB.Oracle.1", Fam::Oracle, {F::Server, F::User, F::Password}},
      {"Microsoft Access / Jet database file", "Microsoft.Jet.OLEDB.4.0", Fam::Access, {F::File, F::User, F::Password}},
      {"ODBC data source or driver (MSDASQL)", "MSDASQL.1", Fam::Odbc,
       {F::DataSourceName, F::Driver, F::Server, F::Database, F::User, F::Password}},
      {"Catalogue snapshot file (Procforge.Snapshot)", "Procforge.Snapshot", Fam::Snapshot, {F::File}},
      {"Other: the connection string as typed", nullptr, Fam::Unknown, {}},
  };
  return kProviders;
}

int DataLinkFields::RawIndex() { return static_cast<int>(Providers().size()) - 1; }

DataLinkFields::DataLinkFields(std::string text) : original_(text) { SetText(std::move(text)); }

void DataLinkFields::SetText(std::string text) {
  text_ = std::move(text);
  pairs_ = ConnStr::Parse(text_, &spans_);
}

int DataLinkFields::ProviderIndex() const {
  if (pairs_.empty()) return -1;
  for (const ConnStr::Span& s : spans_)
    if (!s.HasValue) return RawIndex();
  const std::string* provider = ConnStr::Find(pairs_, "Provider");
  const Fam family = ConnStr::ProviderFamily(provider ? *provider : std::string());
  const auto& all = Providers();
  for (size_t i = 0; i + 1 < all.size(); ++i)
    if (all[i].Family == family) return static_cast<int>(i);
  return RawIndex();
}

void DataLinkFields::SetProvider(int index) {
  const auto& all = Providers();
  if (index < 0 || index >= static_cast<int>(all.size()) || !all[index].Value) return;
  if (index == ProviderIndex()) return;
  // Fields both providers need keep their values: a pair under a key that only the old
  // provider reads is renamed to the new provider's key where it stands.
  struct Carried {
    Field F;
    std::string Key, Value;
  };
  std::vector<Carried> carried;
  for (Field f : all[index].Fields) {
    std::string key;
    if (const int i = Locate(f, key); i >= 0) carried.push_back({f, key, pairs_[i].Value});
  }
  // The Provider pair is rewritten where it stands, or put first as the platform writes it.
  const std::string provider = std::string("Provider=") + all[index].Value;
  int at = -1;
  for (int i = static_cast<int>(pairs_.size()) - 1; i >= 0 && at < 0; --i)
    if (NoCase::Equals(pairs_[i].Key, "Provider")) at = i;
  if (at >= 0) ReplaceSpan(static_cast<size_t>(at), provider);
  else SetText(text_.empty() ? provider : provider + ";" + text_);

  for (const Carried& c : carried) {
    std::string key;
    if (Locate(c.F, key) >= 0) continue;
    for (int i = static_cast<int>(pairs_.size()) - 1; i >= 0; --i) {
      if (pairs_[i].Key == c.Key) {
        ReplaceSpan(static_cast<size_t>(i), ConnStr::Compose({{key, c.Value}}));
        break;
      }
    }
  }
}

int DataLinkFields::Locate(Field f, std::string& key) const {
  const int p = ProviderIndex();
  const Fam family = p < 0 ? Fam::Odbc : Providers()[p].Family;
  const bool odbcForm = ConnStr::Find(pairs_, "Provider") == nullptr;
  const auto keys = KeysFor(family, f, odbcForm);
  for (std::string_view k : keys) {
    for (int i = static_cast<int>(pairs_.size()) - 1; i >= 0; --i) {
      if (NoCase::Equals(pairs_[i].Key, k)) {
        key = pairs_[i].Key;
        return i;
      }
    }
  }
  key = keys.empty() ? std::string() : std::string(keys.front());
  return -1;
}

std::string DataLinkFields::Get(Field f) const {
  std::string key;
  const int i = Locate(f, key);
  return i < 0 ? std::string() : pairs_[i].Value;
}

void DataLinkFields::Set(Field f, const std::string& value) {
  std::string key;
  const int i = Locate(f, key);
  if (i >= 0 && pairs_[i].Value == value) return;
  const std::string pair = value.empty() ? std::string() : ConnStr::Compose({{key, value}});
  if (i >= 0) {
    ReplaceSpan(static_cast<size_t>(i), pair);
    return;
  }
  if (pair.empty()) return;
  std::string text = text_;
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  if (!text.empty() && text.back() != ';') text += ';';
  SetText(text + pair);
}

void DataLinkFields::ReplaceSpan(size_t index, const std::string& replacement) {
  size_t begin = spans_[index].Begin, end = spans_[index].End;
  if (replacement.empty()) {
    // The pair goes with one of its separators and the blanks around it.
    while (begin > 0 && (text_[begin - 1] == ' ' || text_[begin - 1] == '\t')) --begin;
    size_t after = end;
    while (after < text_.size() && (text_[after] == ' ' || text_[after] == '\t')) ++after;
    if (after < text_.size() && text_[after] == ';') end = after + 1;
    else if (begin > 0 && text_[begin - 1] == ';') --begin;
  }
  SetText(text_.substr(0, begin) + replacement + text_.substr(end));
}

}  // namespace pf::ado
