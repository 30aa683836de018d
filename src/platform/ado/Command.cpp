#include "base/NoCase.h"
#include "platform/ado/Command.h"

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"

namespace pf::ado {

namespace {
constexpr const char* kSource = "ADODB.Command";
}

std::shared_ptr<Command> Command::Create() { return std::shared_ptr<Command>(new Command()); }

void Command::SetActiveConnection(std::shared_ptr<Connection> connection) { connection_ = std::move(connection); }

void Command::SetActiveConnection(const std::string& connectionString) {
  std::shared_ptr<Connection> c = Connection::Create();
  c->Open(connectionString);
  connection_ = std::move(c);
}

Connection& Command::OpenConnection() const {
  if (!connection_ || connection_->State() != adStateOpen) ThrowAdoError(adErrInvalidConnection, kSource);
  return *connection_;
}

IErrConnection* Command::ErrActiveConnection() { return connection_.get(); }

std::shared_ptr<Recordset> Command::Execute() {
  std::shared_ptr<Recordset> rs = Recordset::Create();
  rs->Open(shared_from_this());
  return rs;
}

void Command::ParameterList::Refresh() {
  Connection& c = owner_.OpenConnection();
  if (owner_.CommandType != adCmdStoredProc)
    ThrowAdoError(adErrFeatureNotAvailable, kSource, "Parameters can be refreshed for stored procedures only.");
  if (owner_.CommandText.empty()) ThrowAdoError(adErrInvalidArgument, kSource, "The command text is empty.");
  IProviderSession& session = c.Session(kSource);
  ProcedureDescription d = c.Call([&] { return session.DescribeProcedure(owner_.CommandText, owner_.CommandTimeout); });
  Assign(d.Parameters);
  otherNumbers_ = std::move(d.OtherNumbers);
}

void Command::ParameterList::Assign(const std::vector<ParameterInfo>& infos) {
  std::vector<Parameter> items;
  items.reserve(infos.size());
  for (const ParameterInfo& i : infos)
    items.push_back(
        {i.Name, i.Direction, i.Type, i.Size, i.Precision, i.NumericScale, i.Attributes, std::nullopt, i.TypeName});
  items_ = std::move(items);
  otherNumbers_.clear();
}

Parameter& Command::ParameterList::Item(size_t index) {
  if (index >= items_.size()) ThrowAdoError(adErrItemNotFound, "ADODB.Parameters");
  return items_[index];
}

Parameter& Command::ParameterList::Item(std::string_view name) {
  for (Parameter& p : items_)
    if (NoCase::Equals(p.Name, name)) return p;
  ThrowAdoError(adErrItemNotFound, "ADODB.Parameters");
}

}  // namespace pf::ado
