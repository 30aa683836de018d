#pragma once
// A text stream in memory, as recordsets are saved into and read back from.
// Positions count bytes of the UTF-8 text.

#include <string>
#include <string_view>

#include "platform/ado/Ado.h"

namespace pf::ado {

class Stream {
 public:
  // Opens an empty stream (no source; mode and options unspecified).
  void Open();
  void Close();
  int State() const { return open_ ? adStateOpen : adStateClosed; }

  long Position() const;
  // Fails with adErrInvalidArgument beyond the end.
  void SetPosition(long position);
  long Size() const;

  // Reads `numChars` bytes from the position (adReadAll: to the end) and advances.
  std::string ReadText(long numChars = adReadAll);
  // Writes at the position, replacing what is there, and advances.
  void WriteText(std::string_view text);
  // Cuts the stream at the position.
  void SetEOS();

 private:
  void RequireOpen() const;
  std::string text_;
  size_t position_ = 0;
  bool open_ = false;
};

}  // namespace pf::ado
