#pragma once
// A value as the error library writes it: the argument values of a call-stack line
// and the values that fill %1..%n in messages. Values are converted only when an
// error is being reported, so callers pass their arguments by reference at no cost.

#include <concepts>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <vector>

namespace pf {

// The type name written for an object value: the unqualified class name.
std::string ErrTypeNameOf(const std::type_info& type);

class ErrValue {
 public:
  enum class Kind { Missing, Empty, Null, Text, Date, Number, Boolean, Array, Object, Other };

  ErrValue() = default;  // an omitted argument
  ErrValue(const char* s) : kind_(s ? Kind::Text : Kind::Null), text_(s ? s : "") {}
  ErrValue(std::string_view s) : kind_(Kind::Text), text_(s) {}
  ErrValue(const std::string& s) : kind_(Kind::Text), text_(s) {}
  ErrValue(std::nullptr_t) : kind_(Kind::Null) {}
  ErrValue(bool b) : kind_(Kind::Boolean), text_(b ? "True" : "False") {}
  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  ErrValue(T n) : kind_(Kind::Number), text_(std::to_string(n)) {}
  template <std::floating_point T>
  ErrValue(T d) : kind_(Kind::Number), text_(FormatDouble(static_cast<double>(d))) {}
  template <class T>
  ErrValue(const std::optional<T>& v) {
    if (v) *this = ErrValue(*v);
  }
  template <class T>
  ErrValue(const std::vector<T>&) : kind_(Kind::Array) {}
  template <class T>
  ErrValue(const T* p) : kind_(p ? Kind::Object : Kind::Object), text_(p ? ErrTypeNameOf(typeid(*p)) : "Nothing") {}
  template <class T>
  ErrValue(const std::shared_ptr<T>& p) : ErrValue(p.get()) {}
  template <class T>
  ErrValue(const std::unique_ptr<T>& p) : ErrValue(p.get()) {}
  template <class T>
    requires(std::is_class_v<T> && !std::is_convertible_v<const T&, std::string_view>)
  ErrValue(const T& obj) : kind_(Kind::Object), text_(ErrTypeNameOf(typeid(obj))) {}

  static ErrValue Empty() { return ErrValue(Kind::Empty, {}); }
  static ErrValue Null() { return ErrValue(Kind::Null, {}); }
  // A date, given as the text it displays as (for example "12/06/2026 14:03:05").
  static ErrValue Date(std::string display) { return ErrValue(Kind::Date, std::move(display)); }
  static ErrValue Array() { return ErrValue(Kind::Array, {}); }
  static ErrValue Object(std::string typeName) { return ErrValue(Kind::Object, std::move(typeName)); }
  static ErrValue Other() { return ErrValue(Kind::Other, {}); }

  Kind kind() const { return kind_; }
  // The raw text of a text, date, number or boolean; the type name of an object.
  const std::string& text() const { return text_; }

  // As written in a call-stack line: 'text', 'date', 42, True, {Empty}, {Null},
  // {Array}, {TypeName}, nothing for an omitted value, {?} otherwise.
  std::string ReportForm() const;
  // As inserted into a message: the plain text; special values as in ReportForm.
  std::string MessageForm() const;

  static std::string FormatDouble(double d);

 private:
  ErrValue(Kind k, std::string t) : kind_(k), text_(std::move(t)) {}
  Kind kind_ = Kind::Missing;
  std::string text_;
};

using ErrValues = std::vector<ErrValue>;

}  // namespace pf
