#include "driver/MConnReport.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "errors/Secrets.h"
#include "extract/CServer.h"
#include "extract/ISrvrExtractor.h"
#include "platform/ado/ConnStr.h"
#include "platform/ado/OdbcProvider.h"
#include "platform/ado/Provider.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"

namespace pf::MConnReport {

namespace {

class Report {
 public:
  // The report is attached to bug reports: no line of it shows a password, whether it
  // quotes the string or a driver's message does.
  void Line(const std::string& text) {
    out_ += Secrets::Mask(text);
    out_ += "\r\n";
  }
  // Runs Step, timed; returns its description of what came back, or the error.
  template <class F>
  bool Timed(const std::string& indent, F step) {
    const auto start = std::chrono::steady_clock::now();
    std::string result;
    bool ok = true;
    try {
      result = step();
    } catch (...) {
      // The message, its lines under the step's; a report's details and call stack go to
      // the error log, as for any error that is not a plain message.
      const AppError e = ToAppError(std::current_exception());
      const std::string message = Faultnet31::ErrMessage(e);
      result = "failed: ";
      for (const char c : message) {
        result += c;
        if (c == '\n') result += indent + "  ";
      }
      if (message.size() != e.Description.size() && Faultnet31::ErrLogToFile("Errors.txt"))
        result += " (the whole report is in the error log, Errors.txt)";
      ok = false;
    }
    Line(indent + result + " (" + Seconds(std::chrono::steady_clock::now() - start) + ")");
    return ok;
  }
  std::string& Text() { return out_; }

 private:
  static std::string Seconds(std::chrono::steady_clock::duration d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f s", std::chrono::duration<double>(d).count());
    return buf;
  }
  std::string out_;
};

const char* TypeName(int type) {
  switch (type) {
    case 0:
      return "MS Access";
    case 1:
      return "Microsoft SQL Server";
    case 2:
      return "Sybase";
    case 3:
      return "Oracle";
    case 4:
      return "PostgreSQL";
    default:
      return "unknown";
  }
}

std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Disconnects; a logout the server did not answer ends the report as a warning.
std::string Closed(Report& r, CServer& server) {
  server.Disconnect();
  for (const std::string& w : ado::TakeAbandonedLogouts()) r.Line("Warning: " + w);
  return std::move(r.Text());
}

}  // namespace

std::string Build(CSettings& Settings, const std::string& AConnectString, bool& Connected) {
  Connected = false;
  Report r;
  const int type = Settings.ServerType();
  r.Line("Procforge connection report");
  r.Line("Server type: " + std::to_string(type) + " (" + TypeName(type) + ")");
  r.Line("Connection string: " + AConnectString);
  try {
    const ado::ConnStr::Target t = ado::ConnStr::Translate(AConnectString, &ado::OdbcProvider::FindDriver);
    if (t.kind == ado::ConnStr::Target::Kind::Snapshot) {
      r.Line("Catalogue snapshot: " + t.SnapshotFile);
    } else {
      r.Line("ODBC driver: " + (t.Driver.empty() ? std::string("(the data source names it)") : t.Driver));
      r.Line("ODBC connection string: " + t.OdbcString);
      if (t.PortAssumed) r.Line("Port: " + t.Port + " (the string names none; the usual port was taken)");
    }
    for (const std::string& n : t.Notes) r.Line("Warning: " + n);
  } catch (...) {
    r.Line("The connection string cannot be used: " + ToAppError(std::current_exception()).Description);
    return std::move(r.Text());
  }

  auto server = std::make_shared<CServer>();
  server->ConnectionString(AConnectString);
  server->CatalogueType(type);
  if (!r.Timed("Connecting: ", [&] {
        server->Connection();
        return std::string("connected");
      }))
    return std::move(r.Text());
  Connected = true;
  r.Timed("", [&] {
    const ado::ProviderInfo i = server->Connection()->Info();
    return "Driver: " + i.Driver + " " + i.DriverVersion + "\r\nServer: " + i.Server + " " + i.ServerVersion;
  });

  std::shared_ptr<ISrvrExtractor> ex;
  try {
    ex = Settings.CreateServerExtractor();
    ex->SetServer(server);
  } catch (...) {
    r.Line("No extractor: " + ToAppError(std::current_exception()).Description);
    return Closed(r, *server);
  }
  const std::string filter = Settings.ListFilter();
  r.Line("Catalogue requests:");
  int number = 0;
  auto run = [&](const CatalogueStatement& s) {
    r.Line(std::to_string(++number) + ". " + s.Purpose);
    if (!s.Sql.empty()) r.Line("   " + s.Sql);
    r.Timed("   ", [&] {
      if (s.Sql.empty()) return Count(ex->GetSPParameters(s.Proc).Params.size(), "parameter", "parameters");
      server->ExecSQL(s.Sql);
      size_t rows = 0;
      for (auto rs = server->Recordset(); rs && !rs->Eof(); rs->MoveNext()) ++rows;
      return Count(rows, "row", "rows");
    });
  };
  const std::vector<CatalogueStatement> lists = ex->CatalogueStatements(filter, "");
  for (const CatalogueStatement& s : lists) run(s);

  // The list as the extractor makes it, and its first procedure for the parameter requests.
  std::string sample;
  r.Line(std::to_string(++number) + ". procedure list as the extractor reads it");
  r.Timed("   ", [&] {
    bwXMLBrowser x;
    x.Load(ex->xmlGetSPList(filter));
    const int n = x.ChildCount();
    if (n > 0 && x.MoveToFirstChild()) sample = x.strAttr("Name");
    std::string text = Count(static_cast<size_t>(n), "procedure", "procedures");
    for (const std::string& w : ex->LeftOut()) text += "\r\n   left out: " + w;
    return text;
  });
  if (!sample.empty()) {
    const std::vector<CatalogueStatement> all = ex->CatalogueStatements(filter, sample);
    for (size_t i = lists.size(); i < all.size(); ++i) run(all[i]);
  }
  return Closed(r, *server);
}

}  // namespace pf::MConnReport
