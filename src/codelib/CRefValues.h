#pragma once
// The reference table: values that replace XXNameXX references in code library
// blocks. Names compare case-insensitively; iteration is ordered by name.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "base/NoCase.h"

namespace pf {

class CRefValues {
 public:
  using Map = std::map<std::string, std::string, NoCase::Less>;

  // Adds a new entry; returns false, and keeps the existing value, when the name
  // (in any letter case) is already present.
  bool Add(std::string name, std::string value) { return values_.emplace(std::move(name), std::move(value)).second; }
  // Adds or replaces.
  void Set(const std::string& name, std::string value) { values_.insert_or_assign(name, std::move(value)); }
  // The value of `name`, or nullptr when there is none.
  const std::string* Find(std::string_view name) const {
    auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
  }
  bool Contains(std::string_view name) const { return values_.find(name) != values_.end(); }
  size_t Count() const { return values_.size(); }
  void Clear() { values_.clear(); }

  Map::const_iterator begin() const { return values_.begin(); }
  Map::const_iterator end() const { return values_.end(); }

 private:
  Map values_;
};

}  // namespace pf
