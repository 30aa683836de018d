#pragma once
// The checker's name tables: names (views into the checked texts, which outlive the check)
// compared as VB compares names, without regard to case, each with a value. Open addressing
// with linear probing over one array of slots, the entries in a vector in the order they were
// added (which is the order of iteration): adding a name allocates nothing once the table has
// grown, and clear() costs nothing however large the table once was, so a table emptied for
// each procedure stays cheap. Internal to the checker.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

#include "base/NoCase.h"

namespace pf::vbcheck {

template <class V>
class NameTable {
 public:
  struct Entry {
    std::string_view first;
    V second;
  };

  NameTable() = default;
  NameTable(std::initializer_list<std::string_view> Names) {
    for (std::string_view n : Names) emplace(n, V{});
  }

  // The entry of Name, or null.
  const Entry* find(std::string_view Name) const {
    if (Entries_.empty()) return nullptr;
    for (size_t s = Hash(Name) & Mask();; s = (s + 1) & Mask()) {
      const Slot& slot = Slots_[s];
      if (slot.Stamp != Stamp_) return nullptr;
      if (Same(Entries_[slot.Index].first, Name)) return &Entries_[slot.Index];
    }
  }
  Entry* find(std::string_view Name) { return const_cast<Entry*>(std::as_const(*this).find(Name)); }
  bool count(std::string_view Name) const { return find(Name) != nullptr; }

  // Adds Name with Value unless it is there; returns its entry (valid until the next
  // addition) and whether it was added.
  std::pair<Entry*, bool> emplace(std::string_view Name, V Value) {
    if ((Entries_.size() + 1) * 2 > Slots_.size()) Grow();
    size_t s = Hash(Name) & Mask();
    for (; Slots_[s].Stamp == Stamp_; s = (s + 1) & Mask())
      if (Same(Entries_[Slots_[s].Index].first, Name)) return {&Entries_[Slots_[s].Index], false};
    Slots_[s] = {Stamp_, static_cast<uint32_t>(Entries_.size())};
    Entries_.push_back({Name, std::move(Value)});
    return {&Entries_.back(), true};
  }
  void insert(std::string_view Name) { emplace(Name, V{}); }

  // Empties the table: the slots of an older stamp count as free.
  void clear() {
    Entries_.clear();
    if (++Stamp_ == 0) {  // the stamp went round: free the slots for real
      for (Slot& slot : Slots_) slot = {};
      Stamp_ = 1;
    }
  }

  size_t size() const { return Entries_.size(); }
  auto begin() const { return Entries_.begin(); }
  auto end() const { return Entries_.end(); }

 private:
  struct Slot {
    uint32_t Stamp = 0;  // the slot is used when it holds the table's stamp
    uint32_t Index = 0;  // of the entry
  };

  // Names written alike, as a name mostly is where it is used again, compare without folding case.
  static bool Same(std::string_view a, std::string_view b) {
    return a.size() == b.size() && (std::memcmp(a.data(), b.data(), a.size()) == 0 || NoCase::Equals(a, b));
  }

  // A hash of the length and of the first and last eight characters (the whole name when it
  // is shorter), letters lowered with | 0x20: equal for names that differ only in case.
  static size_t Hash(std::string_view Name) {
    constexpr uint64_t kLower = 0x2020202020202020ull;
    const size_t n = Name.size();
    uint64_t a = 0, b = 0;
    if (n >= 8) {
      std::memcpy(&a, Name.data(), 8);
      std::memcpy(&b, Name.data() + n - 8, 8);
    } else {
      std::memcpy(&a, Name.data(), n);
    }
    uint64_t h = ((a | kLower) * 0x9E3779B97F4A7C15ull) ^ ((b | kLower) * 0xC2B2AE3D27D4EB4Full) ^ n;
    return static_cast<size_t>(h ^ (h >> 32));
  }
  size_t Mask() const { return Slots_.size() - 1; }

  void Grow() {
    std::vector<Slot> slots(Slots_.empty() ? 16 : Slots_.size() * 2);
    Slots_.swap(slots);
    Stamp_ = 1;
    for (size_t i = 0; i < Entries_.size(); ++i) {
      size_t s = Hash(Entries_[i].first) & Mask();
      while (Slots_[s].Stamp == Stamp_) s = (s + 1) & Mask();
      Slots_[s] = {Stamp_, static_cast<uint32_t>(i)};
    }
  }

  std::vector<Slot> Slots_;
  std::vector<Entry> Entries_;
  uint32_t Stamp_ = 1;
};

struct NoValue {};
using NameSet = NameTable<NoValue>;
template <class V>
using NameMap = NameTable<V>;

}  // namespace pf::vbcheck
