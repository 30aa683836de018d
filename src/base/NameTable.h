#pragma once
// Tables of names compared as VB compares names, without regard to case (or, where asked,
// exactly), each with a value.
// Open addressing with linear probing over one array of slots, the entries in a vector in the
// order they were added (which is the order of iteration): adding a name allocates nothing
// once the table has grown, and clear() costs nothing however large the table once was, so a
// table emptied for each procedure stays cheap. A name is kept as a view (emplace: the text
// must outlive the table, as a checked text does) or copied into blocks of characters the
// table owns (emplace_copy: names made on the fly). Unlike a node-based hash table, a table of
// tens of thousands of names is a few arrays, not as many scattered allocations.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "base/NoCase.h"

namespace pf {

template <class V, bool IgnoreCase = true>
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
    const size_t h = Hash(Name);
    const uint16_t tag = Tag(h);
    for (size_t s = h & Mask();; s = (s + 1) & Mask()) {
      const Slot& slot = Slots_[s];
      if (slot.Stamp != Stamp_) return nullptr;
      if (slot.Tag == tag && Same(Entries_[slot.Index].first, Name)) return &Entries_[slot.Index];
    }
  }
  Entry* find(std::string_view Name) { return const_cast<Entry*>(std::as_const(*this).find(Name)); }
  bool count(std::string_view Name) const { return find(Name) != nullptr; }

  // Adds Name with Value unless it is there; returns its entry (valid until the next
  // addition) and whether it was added.
  std::pair<Entry*, bool> emplace(std::string_view Name, V Value) {
    if ((Entries_.size() + 1) * 2 > Slots_.size()) Grow();
    const size_t h = Hash(Name);
    const uint16_t tag = Tag(h);
    size_t s = h & Mask();
    for (; Slots_[s].Stamp == Stamp_; s = (s + 1) & Mask())
      if (Slots_[s].Tag == tag && Same(Entries_[Slots_[s].Index].first, Name))
        return {&Entries_[Slots_[s].Index], false};
    Slots_[s] = {Stamp_, tag, static_cast<uint32_t>(Entries_.size())};
    Entries_.push_back({Name, std::move(Value)});
    return {&Entries_.back(), true};
  }
  void insert(std::string_view Name) { emplace(Name, V{}); }

  // emplace with a copy of Name that the table keeps, for a name that does not outlive the call.
  std::pair<Entry*, bool> emplace_copy(std::string_view Name, V Value) {
    if (Entry* e = find(Name)) return {e, false};
    return emplace(Kept_.Copy(Name), std::move(Value));
  }
  void insert_copy(std::string_view Name) { emplace_copy(Name, V{}); }

  // Empties the table: the slots of an older stamp count as free.
  void clear() {
    Entries_.clear();
    Kept_.Clear();
    if (++Stamp_ == 0) {  // the stamp went round: free the slots for real
      for (Slot& slot : Slots_) slot = {};
      Stamp_ = 1;
    }
  }

  size_t size() const { return Entries_.size(); }
  bool empty() const { return Entries_.empty(); }
  auto begin() const { return Entries_.begin(); }
  auto end() const { return Entries_.end(); }

 private:
  struct Slot {
    uint16_t Stamp = 0;  // the slot is used when it holds the table's stamp
    uint16_t Tag = 0;    // bits of the name's hash that the slot's position does not use
    uint32_t Index = 0;  // of the entry
  };
  // A probe that meets another name's slot mostly ends at its tag, without reading the
  // entry and its characters: in a table larger than the processor's cache, each of
  // those reads would be a miss.
  static uint16_t Tag(size_t h) { return static_cast<uint16_t>(h >> 48); }

  // Names written alike, as a name mostly is where it is used again, compare without folding case.
  static bool Same(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           (std::memcmp(a.data(), b.data(), a.size()) == 0 || (IgnoreCase && NoCase::Equals(a, b)));
  }

  // A hash of every character, eight at a time, letters lowered with | 0x20: equal for names
  // that differ only in case. Names of a catalogue often differ only in their middle
  // (usp_Report_2019_Summary, usp_Report_2020_Summary), so no character is left out.
  static size_t Hash(std::string_view Name) {
    constexpr uint64_t kLower = 0x2020202020202020ull;
    const size_t n = Name.size();
    uint64_t h = n * 0x9E3779B97F4A7C15ull;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
      uint64_t w;
      std::memcpy(&w, Name.data() + i, 8);
      h = (h ^ (w | kLower)) * 0xC2B2AE3D27D4EB4Full;
      h ^= h >> 29;
    }
    if (i < n) {
      uint64_t w = 0;
      std::memcpy(&w, Name.data() + i, n - i);
      h = (h ^ (w | kLower)) * 0x9E3779B97F4A7C15ull;
    }
    // The table takes the low bits: every bit of the name must reach them.
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return static_cast<size_t>(h);
  }
  size_t Mask() const { return Slots_.size() - 1; }

  void Grow() {
    std::vector<Slot> slots(Slots_.empty() ? 16 : Slots_.size() * 2);
    Slots_.swap(slots);
    Stamp_ = 1;
    for (size_t i = 0; i < Entries_.size(); ++i) {
      const size_t h = Hash(Entries_[i].first);
      size_t s = h & Mask();
      while (Slots_[s].Stamp == Stamp_) s = (s + 1) & Mask();
      Slots_[s] = {Stamp_, Tag(h), static_cast<uint32_t>(i)};
    }
  }

  // The characters of the copied names, in blocks that never move. Clear keeps the first
  // block for the names that follow.
  class KeptChars {
   public:
    std::string_view Copy(std::string_view Name) {
      if (Name.empty()) return std::string_view("");
      if (Name.size() > Room_) NewBlock(Name.size());
      char* at = Blocks_.back().get() + (BlockSize_ - Room_);
      std::memcpy(at, Name.data(), Name.size());
      Room_ -= Name.size();
      return {at, Name.size()};
    }
    void Clear() {
      if (Blocks_.empty()) return;
      Blocks_.resize(1);
      BlockSize_ = FirstSize_;
      Room_ = FirstSize_;
    }

   private:
    void NewBlock(size_t need) {
      BlockSize_ = need > kBlock ? need : kBlock;
      Blocks_.push_back(std::make_unique<char[]>(BlockSize_));
      if (Blocks_.size() == 1) FirstSize_ = BlockSize_;
      Room_ = BlockSize_;
    }

    static constexpr size_t kBlock = 16384;
    std::vector<std::unique_ptr<char[]>> Blocks_;
    size_t FirstSize_ = 0;
    size_t BlockSize_ = 0;  // of the last block
    size_t Room_ = 0;       // left in the last block
  };

  std::vector<Slot> Slots_;
  std::vector<Entry> Entries_;
  KeptChars Kept_;
  uint16_t Stamp_ = 1;
};

struct NoValue {};
using NameSet = NameTable<NoValue>;
template <class V>
using NameMap = NameTable<V>;
// Names that differ in case are different names here.
using ExactNameSet = NameTable<NoValue, false>;
template <class V>
using ExactNameMap = NameTable<V, false>;

}  // namespace pf
