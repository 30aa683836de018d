#pragma once
// A connection as the error library sees one, for reports with an ADO section without a
// server: it counts the clean-up calls, and its rollback can be made to fail.

#include <string>
#include <vector>

#include "errors/AppError.h"
#include "errors/Faultnet31.h"

namespace pftest {

struct FakeConnection : pf::IErrConnection, pf::IErrDbObject {
  int state = 1;
  bool failRollback = false;
  int rollbacks = 0, closes = 0;
  std::string ErrTypeName() const override { return "Connection"; }
  std::string ErrVersion() const override { return "2.8"; }
  std::string ErrConnectionString() const override { return "DSN=orders"; }
  int ErrState() const override { return state; }
  std::vector<std::string> ErrErrorDescriptions() const override { return {"first", "second"}; }
  void ErrRollbackTrans() override {
    ++rollbacks;
    if (failRollback) throw pf::AppError(1, "x", "no transaction");
  }
  void ErrClose() override {
    ++closes;
    state = 0;
  }
  pf::IErrConnection* ErrActiveConnection() override { return this; }
};

}  // namespace pftest
