#pragma once
// The connection report: what a first contact with a server gives, for the day a server
// does not work as expected. It is read by a person (and attached to a problem report with
// a snapshot), so it says everything in words and never shows a password.

#include <string>

namespace pf {
class CSettings;
}

namespace pf::MConnReport {

// Connects with AConnectString as the profile's server type and reports, one fact a line
// (CR LF): the connection string and the ODBC connection string built from it (passwords
// masked), the ODBC driver, the warnings of the translation, how long connecting took or
// why it failed, the driver's and the server's names and versions, and each catalogue
// request the profile's extractor makes (its procedure list, then the parameters of the
// first procedure listed) with its row count or its error and the time it took. Writes no
// file and raises nothing; Connected tells whether the connection was made.
std::string Build(CSettings& Settings, const std::string& AConnectString, bool& Connected);

}  // namespace pf::MConnReport
