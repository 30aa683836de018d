#include "base/NoCase.h"
#include "platform/ado/Recordset.h"

#include <algorithm>
#include <cctype>

#include "platform/ado/Command.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Stream.h"

namespace pf::ado {

namespace {
constexpr const char* kSource = "ADODB.Recordset";
constexpr const char* kFieldSource = "ADODB.Field";

// The statement a command stands for.
std::string CommandSql(const Command& cmd) {
  switch (cmd.CommandType) {
    case adCmdStoredProc:
      for (const Parameter& p : cmd.Parameters())
        if (p.Direction != adParamReturnValue)
          ThrowAdoError(adErrFeatureNotAvailable, "ADODB.Command",
                        "Stored procedures with parameters cannot be executed through this layer.");
      return "{call " + cmd.CommandText + "}";
    case adCmdTable:
      return "SELECT * FROM " + cmd.CommandText;
    default:
      return cmd.CommandText;
  }
}

// --- XML persistence ------------------------------------------------------------

bool IsNameStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || std::isdigit(c) || c == '-' || c == '.'; }

bool IsXmlName(std::string_view name) {
  if (name.empty() || !IsNameStart(static_cast<unsigned char>(name[0]))) return false;
  if (name.size() >= 3 && NoCase::Lower(name.substr(0, 3)) == "xml") return false;
  return std::all_of(name.begin(), name.end(), [](char c) { return IsNameChar(static_cast<unsigned char>(c)); });
}

void AppendEscaped(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\'': out += "&apos;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (c < 0x20) {
          out += "&#x";
          if (c >= 0x10) out += kHex[c >> 4];
          out += kHex[c & 0xF];
          out += ';';
        } else {
          out += ch;
        }
    }
  }
}

void AppendAttr(std::string& out, std::string_view name, std::string_view value) {
  out += ' ';
  out += name;
  out += "='";
  AppendEscaped(out, value);
  out += '\'';
}

// The schema's description of a column type: dt:type and the attributes after it.
void AppendDatatype(std::string& out, const ColumnInfo& c) {
  struct Fixed {
    int type;
    const char* dt;
    const char* dbtype;
    int maxLength;
    int precision;
  };
  static constexpr Fixed kFixed[] = {
      {adSmallInt, "i2", nullptr, 2, 5},         {adInteger, "int", nullptr, 4, 10},
      {adBigInt, "i8", nullptr, 8, 19},          {adTinyInt, "i1", nullptr, 1, 3},
      {adUnsignedTinyInt, "ui1", nullptr, 1, 3}, {adUnsignedSmallInt, "ui2", nullptr, 2, 5},
      {adUnsignedInt, "ui4", nullptr, 4, 10},    {adUnsignedBigInt, "ui8", nullptr, 8, 20},
      {adSingle, "r4", nullptr, 4, 7},           {adDouble, "float", nullptr, 8, 15},
      {adCurrency, "number", "currency", 8, 19}, {adBoolean, "boolean", nullptr, 2, 0},
      {adGUID, "uuid", nullptr, 16, 0},          {adDBDate, "date", nullptr, 6, 0},
      {adDBTime, "time", nullptr, 6, 0},         {adDate, "dateTime", "variantdate", 16, 0},
  };
  out += "\t\t\t<s:datatype";
  const Fixed* fixed = nullptr;
  for (const Fixed& f : kFixed)
    if (f.type == c.Type) fixed = &f;
  if (fixed) {
    AppendAttr(out, "dt:type", fixed->dt);
    if (fixed->dbtype) AppendAttr(out, "rs:dbtype", fixed->dbtype);
    AppendAttr(out, "dt:maxLength", std::to_string(fixed->maxLength));
    if (fixed->precision) AppendAttr(out, "rs:precision", std::to_string(fixed->precision));
    AppendAttr(out, "rs:fixedlength", "true");
  } else if (c.Type == adNumeric || c.Type == adDecimal || c.Type == adVarNumeric) {
    AppendAttr(out, "dt:type", "number");
    AppendAttr(out, "rs:dbtype", "numeric");
    AppendAttr(out, "dt:maxLength", "19");
    AppendAttr(out, "rs:scale", std::to_string(c.NumericScale));
    AppendAttr(out, "rs:precision", std::to_string(c.Precision));
    AppendAttr(out, "rs:fixedlength", "true");
  } else if (c.Type == adDBTimeStamp) {
    AppendAttr(out, "dt:type", "dateTime");
    AppendAttr(out, "rs:dbtype", "timestamp");
    AppendAttr(out, "dt:maxLength", "16");
    AppendAttr(out, "rs:scale", std::to_string(c.NumericScale));
    AppendAttr(out, "rs:precision", std::to_string(c.Precision));
    AppendAttr(out, "rs:fixedlength", "true");
  } else {
    const bool binary = c.Type == adBinary || c.Type == adVarBinary || c.Type == adLongVarBinary;
    const bool ansi = c.Type == adChar || c.Type == adVarChar || c.Type == adLongVarChar;
    AppendAttr(out, "dt:type", binary ? "bin.hex" : "string");
    if (ansi) AppendAttr(out, "rs:dbtype", "str");
    AppendAttr(out, "dt:maxLength", std::to_string(c.DefinedSize));
    if (c.Type == adChar || c.Type == adWChar || c.Type == adBinary) AppendAttr(out, "rs:fixedlength", "true");
    if (c.Long) AppendAttr(out, "rs:long", "true");
  }
  if (!c.Nullable) AppendAttr(out, "rs:maybenull", "false");
  out += "/>\r\n";
}

// A cell as written in a row attribute: dates take the "T" between date and time.
std::string_view XmlValue(const ColumnInfo& c, const std::string& v, std::string& scratch) {
  if ((c.Type == adDBTimeStamp || c.Type == adDate) && v.size() > 10 && v[10] == ' ') {
    scratch = v;
    scratch[10] = 'T';
    return scratch;
  }
  return v;
}
}  // namespace

// --- Field -------------------------------------------------------------------------

const std::string& Field::Value() const {
  static const std::string kEmpty;
  if (!value_) ThrowAdoError(adErrNoCurrentRecord, kFieldSource);
  return value_->has_value() ? **value_ : kEmpty;
}

std::optional<std::string> Field::Variant() const {
  if (!value_) ThrowAdoError(adErrNoCurrentRecord, kFieldSource);
  return *value_;
}

// --- Recordset ---------------------------------------------------------------------

std::shared_ptr<Recordset> Recordset::Create() { return std::shared_ptr<Recordset>(new Recordset()); }

void Recordset::Open(const std::shared_ptr<Command>& source, int, int, int) {
  if (open_) ThrowAdoError(adErrObjectOpen, kSource);
  if (!source) ThrowAdoError(adErrInvalidArgument, kSource, "The recordset has no source.");
  Connection& c = source->OpenConnection();
  const std::string sql = CommandSql(*source);
  IProviderSession& session = c.Session(kSource);
  std::unique_ptr<IResultStream> stream = c.Call([&] { return session.Execute(sql, source->CommandTimeout); });
  Start(source->ActiveConnection(), std::move(stream));
}

void Recordset::Open(const std::string& sql, const std::shared_ptr<Connection>& connection, int, int, int) {
  if (open_) ThrowAdoError(adErrObjectOpen, kSource);
  if (!connection) ThrowAdoError(adErrInvalidConnection, kSource);
  IProviderSession& session = connection->Session(kSource);
  std::unique_ptr<IResultStream> stream =
      connection->Call([&] { return session.Execute(sql, connection->CommandTimeout); });
  Start(connection, std::move(stream));
}

void Recordset::Start(std::shared_ptr<Connection> connection, std::unique_ptr<IResultStream> stream) {
  connection_ = std::move(connection);
  stream_ = std::move(stream);
  data_ = ResultSet();
  row_ = 0;
  const bool any = connection_->Call([&] { return stream_->Next(data_); });
  // An execution without any result set leaves the recordset closed, as the platform does.
  open_ = any;
  if (!any) stream_.reset();
  BuildIndex();
}

void Recordset::Close() {
  RequireOpen();
  open_ = false;
  stream_.reset();
  data_ = ResultSet();
  index_.clear();
  row_ = 0;
}

void Recordset::RequireOpen() const {
  if (!open_) ThrowAdoError(adErrObjectClosed, kSource);
}

void Recordset::BuildIndex() {
  index_.clear();
  index_.reserve(data_.Columns.size());
  for (size_t i = 0; i < data_.Columns.size(); ++i) index_.emplace_back(NoCase::Lower(data_.Columns[i].Name), i);
  // Stable, so that of two columns with one name the first is found.
  std::stable_sort(index_.begin(), index_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

size_t Recordset::ColumnIndex(std::string_view name) const {
  RequireOpen();
  const std::string key = NoCase::Lower(name);
  auto it = std::lower_bound(index_.begin(), index_.end(), key,
                             [](const auto& entry, const std::string& k) { return entry.first < k; });
  if (it == index_.end() || it->first != key)
    ThrowAdoError(adErrItemNotFound, kSource, "Field name: '" + std::string(name) + "'.");
  return it->second;
}

bool Recordset::Eof() const {
  RequireOpen();
  return row_ >= data_.RowCount();
}

bool Recordset::Bof() const {
  RequireOpen();
  return data_.RowCount() == 0;
}

void Recordset::MoveNext() {
  if (Eof()) ThrowAdoError(adErrNoCurrentRecord, kSource);
  ++row_;
}

long Recordset::RecordCount() const {
  RequireOpen();
  return static_cast<long>(data_.RowCount());
}

size_t Recordset::FieldCount() const {
  RequireOpen();
  return data_.Columns.size();
}

const std::vector<ColumnInfo>& Recordset::Columns() const {
  RequireOpen();
  return data_.Columns;
}

Field Recordset::Fields(size_t index) const {
  RequireOpen();
  if (index >= data_.Columns.size()) ThrowAdoError(adErrItemNotFound, kSource);
  const bool atRow = row_ < data_.RowCount();
  return Field(&data_.Columns[index], atRow ? &data_.Cells[row_ * data_.Columns.size() + index] : nullptr);
}

Field Recordset::Fields(std::string_view name) const { return Fields(ColumnIndex(name)); }

std::vector<std::vector<std::optional<std::string>>> Recordset::GetRows(const std::vector<std::string>& fields) {
  RequireOpen();
  std::vector<size_t> columns;
  if (fields.empty()) {
    for (size_t i = 0; i < data_.Columns.size(); ++i) columns.push_back(i);
  } else {
    for (const std::string& f : fields) columns.push_back(ColumnIndex(f));
  }
  const size_t rows = data_.RowCount();
  const size_t width = data_.Columns.size();
  std::vector<std::vector<std::optional<std::string>>> out(columns.size());
  for (size_t k = 0; k < columns.size(); ++k) {
    out[k].reserve(rows > row_ ? rows - row_ : 0);
    for (size_t r = row_; r < rows; ++r) out[k].push_back(data_.Cells[r * width + columns[k]]);
  }
  row_ = rows;
  return out;
}

std::shared_ptr<Recordset> Recordset::NextRecordset() {
  RequireOpen();
  std::unique_ptr<IResultStream> stream = std::move(stream_);
  std::shared_ptr<Connection> connection = connection_;
  Close();
  ResultSet next;
  if (!stream || !connection->Call([&] { return stream->Next(next); })) return nullptr;
  std::shared_ptr<Recordset> rs = Create();
  rs->connection_ = std::move(connection);
  rs->stream_ = std::move(stream);
  rs->data_ = std::move(next);
  rs->open_ = true;
  rs->BuildIndex();
  return rs;
}

IErrConnection* Recordset::ErrActiveConnection() { return connection_.get(); }

void Recordset::Save(Stream& destination, int persistFormat) const {
  RequireOpen();
  if (persistFormat != adPersistXML)
    ThrowAdoError(adErrFeatureNotAvailable, kSource, "Recordsets are saved in the XML format only.");
  const size_t width = data_.Columns.size();
  // XML names of the columns: the column name when it is one and unique, else c<ordinal>.
  std::vector<std::string> names(width);
  for (size_t i = 0; i < width; ++i) {
    const std::string& n = data_.Columns[i].Name;
    bool unique = true;
    for (size_t j = 0; j < width && unique; ++j)
      if (j != i && data_.Columns[j].Name == n) unique = false;
    names[i] = IsXmlName(n) && unique ? n : "c" + std::to_string(i);
  }

  std::string out;
  out.reserve(1024 + width * 160 + (data_.RowCount() - std::min(row_, data_.RowCount())) * width * 24);
  out +=
      "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\r\n"
      "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\r\n"
      "\txmlns:rs='urn:schemas-microsoft-com:rowset'\r\n"
      "\txmlns:z='#RowsetSchema'>\r\n"
      "<s:Schema id='RowsetSchema'>\r\n"
      "\t<s:ElementType name='row' content='eltOnly'>\r\n";
  for (size_t i = 0; i < width; ++i) {
    const ColumnInfo& c = data_.Columns[i];
    out += "\t\t<s:AttributeType";
    AppendAttr(out, "name", names[i]);
    if (names[i] != c.Name) AppendAttr(out, "rs:name", c.Name);
    AppendAttr(out, "rs:number", std::to_string(i + 1));
    if (c.Nullable) AppendAttr(out, "rs:nullable", "true");
    AppendAttr(out, "rs:writeunknown", "true");
    out += ">\r\n";
    AppendDatatype(out, c);
    out += "\t\t</s:AttributeType>\r\n";
  }
  out +=
      "\t\t<s:extends type='rs:rowbase'/>\r\n"
      "\t</s:ElementType>\r\n"
      "</s:Schema>\r\n"
      "<rs:data>";
  // Rows each on a line of their own; an empty set gives "<rs:data></rs:data>".
  std::string scratch;
  for (size_t r = row_; r < data_.RowCount(); ++r) {
    out += "\r\n\t<z:row";
    for (size_t i = 0; i < width; ++i) {
      const std::optional<std::string>& v = data_.Cells[r * width + i];
      if (v) AppendAttr(out, names[i], XmlValue(data_.Columns[i], *v, scratch));
    }
    out += "/>";
  }
  if (row_ < data_.RowCount()) out += "\r\n";
  out += "</rs:data>\r\n</xml>";
  destination.WriteText(out);
}

}  // namespace pf::ado
