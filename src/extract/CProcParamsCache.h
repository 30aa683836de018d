#pragma once
// The parameters of every procedure of a catalogue, read with one call at the start of a
// generation run, so that describing n procedures costs one round trip instead of n
// logins and refreshes. It answers only where its answer is the one a refresh of that
// name gives: plain names (no owner, no quoting) that the catalogue lists once, ignoring
// case, or, where it lists several spellings, exactly as spelled. Everything else, and
// every provider that cannot list all procedures at once, goes to the refresh of the one
// procedure.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/NameTable.h"
#include "platform/ado/Provider.h"

namespace pf {

class CProcParamsCache {
 public:
  // The procedure list has listed `Count` procedures of ConnectionString: with more
  // than one, the first Find reads them all. With a DefaultSchema, a plain name is the
  // procedure of that schema (a server calls it so); other schemas' are not answered for.
  void Expect(size_t Count, const std::string& ConnectionString, const std::string& DefaultSchema = {});
  // Reads every procedure's parameters through a connection of its own. False (and
  // nothing cached) when the provider cannot, or the read fails.
  bool Load(const std::string& ConnectionString);
  // The parameters of SPName as a refresh reports them; nullptr when the cache has no
  // answer for that name.
  const std::vector<ado::ParameterInfo>* Find(const std::string& SPName);
  // The same with the rest of the description; nullptr likewise.
  const ado::ProcedureDescription* FindDescription(const std::string& SPName);

 private:
  // The entry of procs_ that a Find of SPName answers with; kNone for none.
  size_t Lookup(std::string_view SPName) const;

  std::vector<ado::ProcedureDescription> procs_;
  // Per entry of procs_: whether a Find of its name as listed answers with it. The list
  // asks for the procedures mostly in the order the catalogue holds them, so Find tries
  // the entry after the last one it answered with before it looks the name up.
  std::vector<bool> direct_;
  size_t next_ = 0;
  NameMap<size_t> byName_;      // name, case ignored -> procs_, kAmbiguous for case variants
  ExactNameMap<size_t> exact_;  // name as listed -> procs_, for the names with case variants
  std::string pending_;         // connection string to load from on the first Find
  std::string defaultSchema_;   // "" when every schema's procedures are answered for
  static constexpr size_t kAmbiguous = static_cast<size_t>(-1);
  static constexpr size_t kNone = static_cast<size_t>(-1);
};

}  // namespace pf
