#pragma once
// A loosely typed value as attribute and field accessors pass it around: Empty,
// Null, text, a whole number, a floating-point number, a boolean or a date.
// Conversions that never fail live with their users (bwXMLBrowser::SafeStr, ...).

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/VBDate.h"

namespace pf {

class Variant {
 public:
  enum class Type { Empty, Null, String, Long, Double, Boolean, Date };

  Variant() = default;  // Empty
  Variant(const char* s) : type_(s ? Type::String : Type::Null), str_(s ? s : "") {}
  Variant(std::string s) : type_(Type::String), str_(std::move(s)) {}
  Variant(std::string_view s) : type_(Type::String), str_(s) {}
  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  Variant(T n) : type_(Type::Long), lng_(static_cast<int64_t>(n)) {}
  template <std::floating_point T>
  Variant(T d) : type_(Type::Double), dbl_(static_cast<double>(d)) {}
  Variant(bool b) : type_(Type::Boolean), lng_(b ? 1 : 0) {}
  Variant(const VBDate::DateTime& d) : type_(Type::Date), date_(d) {}

  static Variant Null() {
    Variant v;
    v.type_ = Type::Null;
    return v;
  }

  Type type() const { return type_; }
  bool IsEmpty() const { return type_ == Type::Empty; }
  bool IsNull() const { return type_ == Type::Null; }
  // The stored value of the matching type; meaningless for another type.
  const std::string& Str() const { return str_; }
  int64_t Lng() const { return lng_; }
  double Dbl() const { return dbl_; }
  bool Bool() const { return lng_ != 0; }
  const VBDate::DateTime& Date() const { return date_; }

  bool operator==(const Variant&) const = default;

 private:
  Type type_ = Type::Empty;
  std::string str_;
  int64_t lng_ = 0;
  double dbl_ = 0;
  VBDate::DateTime date_;
};

}  // namespace pf
