#pragma once
// Helpers of the extractor tests: servers on snapshots, procedure rows, expected failures.

#include <gmock/gmock.h>
#include <pugixml.hpp>

#include <memory>
#include <string>

#include "errors/AppError.h"
#include "extract/CServer.h"
#include "support/TestEnv.h"

namespace extracttest {

using namespace pf;

using pftest::Sample;

inline std::string SnapshotConn(const std::string& file) { return "Provider=Procforge.Snapshot;Data Source=" + file; }

template <class T>
std::shared_ptr<T> Extractor(const std::string& file, std::shared_ptr<CServer>* serverOut = nullptr) {
  auto server = std::make_shared<CServer>();
  server->ConnectionString(SnapshotConn(file));
  auto x = std::make_shared<T>();
  x->SetServer(server);
  if (serverOut) *serverOut = server;
  return x;
}

// "Name|IsFunction|Package" of every Proc, one per line.
inline std::string ProcRows(const std::string& xml) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(xml.c_str())) << xml;
  std::string out;
  for (pugi::xml_node p : doc.child("ProcList").children("Proc")) {
    out += p.attribute("Name").value();
    if (p.attribute("IsFunction")) out += std::string("|") + p.attribute("IsFunction").value();
    if (p.attribute("Package")) out += std::string("|pkg=") + p.attribute("Package").value();
    out += "\n";
  }
  return out;
}

// Frames in the parts of an expected failure are given without their closing parenthesis:
// outer frames show argument values there.
using pftest::ExpectFailure;

class ExtractorTest : public ::testing::Test {
 protected:
  // A snapshot script of its own for one case.
  std::string Script(const std::string& name, const std::string& sql) {
    const std::string file = dir_.file(name);
    pftest::WriteAll(file, sql);
    return file;
  }
  // A copy of the snapshot script tests/data/extract/<name>, for a case of its own.
  std::string DataScript(const std::string& name) {
    return Script(name, pftest::ReadAll(std::string(PF_SOURCE_DIR) + "/tests/data/extract/" + name));
  }
  pftest::TempDir dir_;
};

}  // namespace extracttest
