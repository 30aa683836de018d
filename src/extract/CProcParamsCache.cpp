#include "extract/CProcParamsCache.h"

#include <utility>

#include "platform/ado/Connection.h"

namespace pf {

namespace {
// Seconds the one call may take: it reads the whole catalogue.
constexpr int kLoadTimeout = 120;
}  // namespace

void CProcParamsCache::Expect(size_t Count, const std::string& ConnectionString, const std::string& DefaultSchema) {
  defaultSchema_ = DefaultSchema;
  procs_.clear();
  byName_.clear();
  exact_.clear();
  direct_.clear();
  next_ = 0;
  pending_ = Count > 1 ? ConnectionString : std::string();
}

bool CProcParamsCache::Load(const std::string& ConnectionString) {
  pending_.clear();
  procs_.clear();
  direct_.clear();
  next_ = 0;
  byName_.clear();
  exact_.clear();
  try {
    auto c = ado::Connection::Create();
    c->Open(ConnectionString);
    std::optional<std::vector<ado::ProcedureDescription>> all = c->DescribeAllProcedures(kLoadTimeout);
    c->Close();
    if (!all) return false;
    procs_ = std::move(*all);
  } catch (const AppError& e) {
    if (ado::IsConnectionLost(e)) throw;
    return false;  // the refresh of each procedure still answers, and reports its own failures
  } catch (...) {
    return false;
  }
  // The tables hold views of the names in procs_, which stays as it is until the next Load.
  bool variants = false;
  const auto answered = [&](size_t i) {
    return defaultSchema_.empty() || procs_[i].Schema.empty() || procs_[i].Schema == defaultSchema_;
  };
  for (size_t i = 0; i < procs_.size(); ++i) {
    if (!answered(i)) continue;
    auto [entry, added] = byName_.emplace(procs_[i].Name, i);
    if (!added && entry->second != kAmbiguous && procs_[entry->second].Name != procs_[i].Name) {
      entry->second = kAmbiguous;
      variants = true;
    }
  }
  // Only names spelled in more than one way are looked up as spelled.
  if (variants) {
    for (size_t i = 0; i < procs_.size(); ++i)
      if (answered(i) && byName_.find(procs_[i].Name)->second == kAmbiguous) exact_.emplace(procs_[i].Name, i);
  }
  direct_.assign(procs_.size(), false);
  for (size_t i = 0; i < procs_.size(); ++i) direct_[i] = Lookup(procs_[i].Name) == i;
  return true;
}

const std::vector<ado::ParameterInfo>* CProcParamsCache::Find(const std::string& SPName) {
  const ado::ProcedureDescription* d = FindDescription(SPName);
  return d ? &d->Parameters : nullptr;
}

const ado::ProcedureDescription* CProcParamsCache::FindDescription(const std::string& SPName) {
  // Load clears pending_ first: it gets its own copy of the connection string.
  if (!pending_.empty()) Load(std::exchange(pending_, std::string()));
  if (byName_.empty() || SPName.find_first_of(".[]\"") != std::string::npos) return nullptr;
  size_t i = next_;
  if (i >= procs_.size() || !direct_[i] || procs_[i].Name != SPName) i = Lookup(SPName);
  if (i == kNone) return nullptr;
  next_ = i + 1;
  return &procs_[i];
}

size_t CProcParamsCache::Lookup(std::string_view SPName) const {
  const auto* entry = byName_.find(SPName);
  if (entry == nullptr) return kNone;
  if (entry->second != kAmbiguous) return entry->second;
  // Spellings that differ only in case are different procedures: each is described by
  // its exact name.
  const auto* exact = exact_.find(SPName);
  return exact == nullptr ? kNone : exact->second;
}

}  // namespace pf
