#pragma once
// Captures a server's catalogue into a catalogue snapshot (docs/snapshot-format.md): the
// rows the extractor of the server type reads with its own catalogue queries, the
// parameters of every listed procedure as a refresh reports them, and SnapshotInfo.
// Generating from the snapshot gives the class that generating from the server gives.

#include <functional>
#include <string>
#include <vector>

namespace pf {

class CCatalogCapture {
 public:
  // Called with a progress text before each step; an exception it throws (a cancelled
  // run) ends the capture.
  std::function<void(const std::string&)> OnProgress;

  // The snapshot script of the catalogue that ConnectionString opens, read as the
  // extractor of ServerType (0 Access, 1 SQL Server, 2 Sybase, 3 Oracle, 4
  // PostgreSQL) reads it.
  // Packages is Oracle's comma-separated package list ("(Unpackaged)" for procedures
  // outside packages), PostgreSQL's schemas (as a search path names them; empty for the
  // login's search path); the other server types ignore it. Failures of the connection or
  // of a catalogue query raise; a procedure whose parameters cannot be read is left out
  // of ProcedureParameters (a refresh of it from the snapshot fails, as on the server)
  // and named in Skipped. An Access query whose parameters cannot be read stays in the
  // list without them, as the extractor lists it, and is named in ListedWithoutParameters.
  std::string Capture(int ServerType, const std::string& ConnectionString, const std::string& Packages);
  std::vector<std::string> Skipped;
  std::vector<std::string> ListedWithoutParameters;

  // Writes a snapshot script to Path atomically: as the script itself when Path ends in
  // ".sql" (any case), else as a SQLite database. Raises with the path and the reason
  // when the folder is missing or not writable; nothing is left behind on failure.
  static void Write(const std::string& Script, const std::string& Path);

  // The connection string that opens the snapshot File.
  static std::string SnapshotConnection(const std::string& File);
  // The server type File's SnapshotInfo names (0 to 4); -1 when it names none or File
  // cannot be opened. Never raises.
  static int SnapshotServerType(const std::string& File);
  // Why File cannot stand for a catalogue of ServerType: not a snapshot at all, without
  // that server type's catalogue tables, or taken from another server type (its
  // SnapshotInfo says so). Empty when it can. Never raises.
  static std::string SnapshotProblem(const std::string& File, int ServerType);
};

}  // namespace pf
