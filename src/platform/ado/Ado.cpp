#include "platform/ado/Ado.h"

#include <cctype>

#include "errors/Faultnet31.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Provider.h"
#include "platform/ado/Recordset.h"

namespace pf::ado {

namespace {
const char* StandardText(int code) {
  switch (code) {
    case adErrInvalidArgument:
      return "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another.";
    case adErrNoCurrentRecord:
      return "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
             "current record.";
    case adErrItemNotFound:
      return "Item cannot be found in the collection corresponding to the requested name or ordinal.";
    case adErrObjectClosed:
      return "Operation is not allowed when the object is closed.";
    case adErrObjectOpen:
      return "Operation is not allowed when the object is open.";
    case adErrProviderNotFound:
      return "Provider cannot be found. It may not be properly installed.";
    case adErrInvalidConnection:
      return "The connection cannot be used to perform this operation. It is either closed or invalid in this "
             "context.";
    case adErrFeatureNotAvailable:
      return "Object or provider is not capable of performing requested operation.";
    default:
      return "Unexpected data access error.";
  }
}

std::string JoinRecords(const std::vector<ErrorRecord>& records) {
  std::string text;
  for (const ErrorRecord& r : records) {
    if (!text.empty()) text += "\r\n";
    text += r.Description;
  }
  return text;
}
}  // namespace

void ThrowAdoError(int code, std::string_view source, std::string_view detail) {
  std::string text = StandardText(code);
  if (!detail.empty()) {
    text += ' ';
    text += detail;
  }
  throw AppError(AdoErrorNumber(code), std::string(source), text);
}

bool IsConnectionLost(const AppError& e) { return e.Description.find(kConnectionLost) != std::string::npos; }

std::string Version() { return "2.8"; }

ProviderError::ProviderError(std::string source, std::vector<ErrorRecord> records)
    : std::runtime_error(JoinRecords(records)), source_(std::move(source)), records_(std::move(records)) {}

ProviderError::ProviderError(std::string source, const std::string& description)
    : std::runtime_error(description), source_(std::move(source)) {
  records_.push_back({description, {}, 0, source_});
}

void RegisterWithErrorLibrary() {
  Faultnet31::Environment().ADOVersion = [] { return Version(); };
  Faultnet31::SetDbLogExecutor([](const std::string& connectString, const std::string& sql) {
    std::shared_ptr<Connection> c = Connection::Create();
    c->Open(connectString);
    c->Execute(sql);
    c->Close();
  });
}

}  // namespace pf::ado
