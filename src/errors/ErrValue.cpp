#include "errors/ErrValue.h"

#include <cxxabi.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace pf {

std::string ErrTypeNameOf(const std::type_info& type) {
  int status = 0;
  char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  std::string name = (status == 0 && demangled) ? demangled : type.name();
  std::free(demangled);
  // Drop template arguments and namespaces: "pf::ado::Connection" -> "Connection".
  if (auto lt = name.find('<'); lt != std::string::npos) name.erase(lt);
  if (auto colon = name.rfind("::"); colon != std::string::npos) name.erase(0, colon + 2);
  return name;
}

std::string ErrValue::FormatDouble(double d) {
  if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", d);
    return buf;
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  return buf;
}

std::string ErrValue::ReportForm() const {
  switch (kind_) {
    case Kind::Missing: return {};
    case Kind::Empty: return "{Empty}";
    case Kind::Null: return "{Null}";
    case Kind::Text:
    case Kind::Date: return "'" + text_ + "'";
    case Kind::Number:
    case Kind::Boolean: return text_;
    case Kind::Array: return "{Array}";
    case Kind::Object: return "{" + text_ + "}";
    case Kind::Other: break;
  }
  return "{?}";
}

std::string ErrValue::MessageForm() const {
  switch (kind_) {
    case Kind::Text:
    case Kind::Date:
    case Kind::Number:
    case Kind::Boolean: return text_;
    default: return ReportForm();
  }
}

}  // namespace pf
