#pragma once
// The model behind the connection-string dialog: which provider a connection string
// names, and the fields that provider needs (server, database or file, user,
// password), read from and written into the string's pairs.
//
// The text is edited in place: changing a field rewrites only that field's pair, so
// keys the dialog does not know, their order, quoting and spelling stay as they were,
// and a string opened and confirmed without a change comes back byte for byte.

#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/ConnStr.h"

namespace pf::ado {

class DataLinkFields {
 public:
  enum class Field { Server, Port, Database, File, DataSourceName, Driver, User, Password, IntegratedSecurity };

  struct Provider {
    const char* Caption;  // as the dialog lists it
    const char* Value;    // the Provider key written when it is chosen; nullptr: the raw string
    ConnStr::Family Family;
    std::vector<Field> Fields;  // the fields it needs, in the order the dialog shows them
  };
  // SQL Server, Sybase, Oracle, Access/Jet, ODBC, the catalogue snapshot provider, and
  // last the raw string for anything else.
  static const std::vector<Provider>& Providers();
  static int RawIndex();

  explicit DataLinkFields(std::string text = {});

  const std::string& Text() const { return text_; }
  // Replaces the whole text (the raw string edited by hand).
  void SetText(std::string text);
  // True when the text differs from the one the object was created with.
  bool Modified() const { return text_ != original_; }

  // Index in Providers() of the provider the text names. A text that is not a list of
  // key=value pairs, or that names a provider not listed, is RawIndex(). An empty
  // text names none: -1.
  int ProviderIndex() const;
  // Writes the chosen provider's Provider key; the raw entry changes nothing.
  void SetProvider(int index);

  // The value of a field under the current provider, empty when absent.
  std::string Get(Field f) const;
  // Sets a field: the pair that Get reads is rewritten, else a new pair is appended;
  // an empty value removes the pair.
  void Set(Field f, const std::string& value);

 private:
  // The pair that holds the field, -1 when none; `key` receives the key to use.
  int Locate(Field f, std::string& key) const;
  void ReplaceSpan(size_t index, const std::string& replacement);

  std::string original_;
  std::string text_;
  ConnStr::Pairs pairs_;
  std::vector<ConnStr::Span> spans_;
};

}  // namespace pf::ado
