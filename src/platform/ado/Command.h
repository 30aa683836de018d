#pragma once
// A command: text or stored procedure, bound to a connection. Setting the active
// connection to a connection string opens a private connection for the command.
// Parameters().Refresh() on a stored-procedure command asks the provider for the
// procedure's parameters (return value first).

#include <memory>
#include <string>
#include <vector>

#include "errors/Faultnet31.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Parameter.h"
#include "platform/ado/Provider.h"

namespace pf::ado {

class Connection;
class Recordset;

class Command : public IErrDbObject, public std::enable_shared_from_this<Command> {
 public:
  class ParameterList {
   public:
    // Replaces the collection by the provider's description of the procedure named
    // by CommandText. Needs an open connection and command type adCmdStoredProc.
    void Refresh();
    // Replaces the collection by parameters described earlier (a refresh's result).
    void Assign(const std::vector<ParameterInfo>& infos);
    // The last Refresh of a numbered procedure (name;1, name;2, ...): the numbers other
    // than the one a call of the name runs, whose parameters these are; else empty.
    const std::vector<std::string>& OtherNumbers() const { return otherNumbers_; }
    size_t Count() const { return items_.size(); }
    Parameter& Item(size_t index);
    // Lookup by name ignoring case; fails with adErrItemNotFound.
    Parameter& Item(std::string_view name);
    void Append(Parameter p) { items_.push_back(std::move(p)); }
    void Clear() { items_.clear(); }
    std::vector<Parameter>::iterator begin() { return items_.begin(); }
    std::vector<Parameter>::iterator end() { return items_.end(); }
    std::vector<Parameter>::const_iterator begin() const { return items_.begin(); }
    std::vector<Parameter>::const_iterator end() const { return items_.end(); }

   private:
    friend class Command;
    explicit ParameterList(Command& owner) : owner_(owner) {}
    Command& owner_;
    std::vector<Parameter> items_;
    std::vector<std::string> otherNumbers_;
  };

  static std::shared_ptr<Command> Create();
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  std::shared_ptr<Connection> ActiveConnection() const { return connection_; }
  void SetActiveConnection(std::shared_ptr<Connection> connection);
  // Opens a private connection with this string (using ConnectionTimeout's default).
  void SetActiveConnection(const std::string& connectionString);

  int CommandType = adCmdUnknown;
  std::string CommandText;
  int CommandTimeout = 30;  // seconds, 0 for no limit

  ParameterList& Parameters() { return parameters_; }
  const ParameterList& Parameters() const { return parameters_; }

  // Executes a text command and returns its first result set (closed when none).
  std::shared_ptr<Recordset> Execute();

  std::string ErrTypeName() const override { return "Command"; }
  IErrConnection* ErrActiveConnection() override;

 private:
  Command() : parameters_(*this) {}
  friend class Recordset;
  // The connection, open; throws adErrInvalidConnection otherwise.
  Connection& OpenConnection() const;
  std::shared_ptr<Connection> connection_;
  ParameterList parameters_;
};

}  // namespace pf::ado
