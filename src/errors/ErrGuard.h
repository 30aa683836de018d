#pragma once
// One-line error frames: run an operation's body and, when it fails, record the
// operation under its qualified name text with its argument values and raise again.
//
//   return ErrGuard("CBlocks.GetBlock(BlockName,RefValues)", [&] { ... }, BlockName, RefValues);
//
// Arguments are taken by reference and converted only when an error passes through.

#include <utility>

#include "errors/Faultnet31.h"

namespace pf {

template <class F, class... A>
decltype(auto) ErrGuardFlags(std::string_view procName, int32_t flags, F&& body, const A&... args) {
  try {
    return std::forward<F>(body)();
  } catch (...) {
    Faultnet31::ErrPreserve();
    Faultnet31::ErrorIn(procName, ErrValues{ErrValue(args)...}, flags | EF_RAISE);
    throw;  // not reached: ErrorIn raises
  }
}

template <class F, class... A>
decltype(auto) ErrGuard(std::string_view procName, F&& body, const A&... args) {
  return ErrGuardFlags(procName, EF_PROGRAM, std::forward<F>(body), args...);
}

}  // namespace pf
