#pragma once
// A forward-only, read-only recordset over the result sets of one execution. Each
// result set is read completely when it becomes current, so a recordset stays
// readable after its connection is closed; NextRecordset needs the connection.
// Field lookup by name ignores case. A Null value is told apart from an empty text.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "errors/Faultnet31.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Provider.h"

namespace pf::ado {

class Command;
class Connection;
class Stream;

// A field of the current row (a view: valid while the recordset stays on that row).
class Field {
 public:
  const std::string& Name() const { return info_->Name; }
  int Type() const { return info_->Type; }
  long DefinedSize() const { return info_->DefinedSize; }
  int Precision() const { return info_->Precision; }
  int NumericScale() const { return info_->NumericScale; }
  bool IsNull() const { return !value_ || !value_->has_value(); }
  // The value as text: numbers in decimal, booleans "True"/"False", dates
  // "yyyy-mm-dd hh:nn:ss"; empty for Null. Fails when there is no current row.
  const std::string& Value() const;
  // The value with Null as std::nullopt.
  std::optional<std::string> Variant() const;

 private:
  friend class Recordset;
  Field(const ColumnInfo* info, const std::optional<std::string>* value) : info_(info), value_(value) {}
  const ColumnInfo* info_;
  const std::optional<std::string>* value_;  // nullptr at end of set
};

class Recordset : public IErrDbObject, public std::enable_shared_from_this<Recordset> {
 public:
  static std::shared_ptr<Recordset> Create();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Executes the command (the only source kind the program opens on) and makes
  // its first result set current. Cursor and lock type are forward-only, read-only.
  void Open(const std::shared_ptr<Command>& source, int cursorType = adOpenUnspecified,
            int lockType = adLockUnspecified, int options = -1);
  // Executes `sql` as a text command on `connection`.
  void Open(const std::string& sql, const std::shared_ptr<Connection>& connection,
            int cursorType = adOpenUnspecified, int lockType = adLockUnspecified, int options = -1);
  void Close();
  int State() const { return open_ ? adStateOpen : adStateClosed; }

  bool Eof() const;
  bool Bof() const;
  void MoveNext();
  // Number of rows of the current result set.
  long RecordCount() const;

  size_t FieldCount() const;
  Field Fields(size_t index) const;
  // Fails with adErrItemNotFound for a name the result set does not have.
  Field Fields(std::string_view name) const;
  // Shortcut for Fields(name).Value().
  const std::string& Value(std::string_view name) const { return Fields(name).Value(); }

  // All remaining rows of the named fields (all fields when empty), indexed
  // [field][row] as the platform's GetRows; the recordset ends at end of set.
  std::vector<std::vector<std::optional<std::string>>> GetRows(const std::vector<std::string>& fields = {});

  // The next result set of the same execution as a new recordset, or nullptr when
  // there is none. This recordset is closed either way.
  std::shared_ptr<Recordset> NextRecordset();

  // Writes the current result set in the XML persistence format (adPersistXML) into
  // the stream at its position: schema section, <rs:data>, one z:row per row with
  // one attribute per non-Null column. Rows already passed are not written.
  void Save(Stream& destination, int persistFormat = adPersistXML) const;

  std::shared_ptr<Connection> ActiveConnection() const { return connection_; }
  const std::vector<ColumnInfo>& Columns() const;
  // The whole current result set as the provider delivered it, every row.
  const ResultSet& Data() const { return data_; }

  std::string ErrTypeName() const override { return "Recordset"; }
  IErrConnection* ErrActiveConnection() override;

 private:
  Recordset() = default;
  void Start(std::shared_ptr<Connection> connection, std::unique_ptr<IResultStream> stream);
  void RequireOpen() const;
  void BuildIndex();
  size_t ColumnIndex(std::string_view name) const;

  std::shared_ptr<Connection> connection_;
  std::unique_ptr<IResultStream> stream_;
  ResultSet data_;
  std::vector<std::pair<std::string, size_t>> index_;  // lower-case name, column; sorted
  size_t row_ = 0;
  bool open_ = false;
};

}  // namespace pf::ado
