#pragma once
// The one exception type of the program: an error with a number, a source and a
// description, as the error library builds and passes it up the call chain.

#include <cstdint>
#include <exception>
#include <string>

namespace pf {

// Error numbers are 32-bit signed values counted from the object-error base.
constexpr int32_t vbObjectError = static_cast<int32_t>(0x80040000u);
// The generic application error; printed as "= ERR_GENERAL" in reports.
constexpr int32_t ERRMAP_APP_FIRST = static_cast<int32_t>(0x8004144Eu);
// Errors from ERR_MSG_FIRST to ERR_MSG_LAST are shown as plain messages, without a report.
constexpr int32_t ERR_MSG_FIRST = static_cast<int32_t>(0x80041065u);
constexpr int32_t ERR_MSG_LAST = static_cast<int32_t>(0x8004144Du);

// Numbers used by the program's own checks.
constexpr int32_t ERR_USER_CHECK = static_cast<int32_t>(0x80041065u);      // file not found, connection test, ...
constexpr int32_t ERR_CANCELED = static_cast<int32_t>(0x80041068u);        // "Operation Canceled"
constexpr int32_t ERR_BLOCK_SYNTAX = static_cast<int32_t>(0x80041071u);    // code library block syntax
constexpr int32_t ERR_TOO_MANY_PASSES = static_cast<int32_t>(0x80041072u); // reference resolution loop
constexpr int32_t ERR_CODELIB_MISSING = static_cast<int32_t>(0x80041073u); // code library file not found
constexpr int32_t ERR_GENERAL = ERRMAP_APP_FIRST;
constexpr int32_t ERR_NOT_FOUND = static_cast<int32_t>(0x80041450u);       // block or path not found
constexpr int32_t ERR_ATTR_NOT_ALLOWED = static_cast<int32_t>(0x80041451u);
constexpr int32_t ERR_UNRESOLVED_REF = static_cast<int32_t>(0x80041455u);

// Standard run-time error numbers used when a foreign exception is converted.
constexpr int32_t ERR_OUT_OF_MEMORY = 7;
constexpr int32_t ERR_SUBSCRIPT = 9;
constexpr int32_t ERR_FILE_NOT_FOUND = 53;
constexpr int32_t ERR_PATH_ACCESS = 75;

inline bool IsMessageRange(int32_t number) { return number >= ERR_MSG_FIRST && number <= ERR_MSG_LAST; }

class AppError : public std::exception {
 public:
  AppError() = default;
  AppError(int32_t number, std::string source, std::string description, std::string helpFile = {},
           std::string helpContext = {})
      : Number(number), Source(std::move(source)), Description(std::move(description)),
        HelpFile(std::move(helpFile)), HelpContext(std::move(helpContext)) {}

  const char* what() const noexcept override { return Description.c_str(); }

  int32_t Number = 0;
  std::string Source;
  std::string Description;
  std::string HelpFile;
  std::string HelpContext;  // kept as text, as the report writes it
  int32_t Line = 0;         // line of the failing statement, 0 when unknown
  int32_t SysError = 0;     // operating-system error code behind the failure, 0 when none
};

// Turns an exception of any type into an AppError. Foreign exceptions get the
// numbers of the matching run-time errors (file errors 53/75, memory 7, range 9),
// everything else the generic application error with the exception's text.
AppError ToAppError(const std::exception_ptr& e);

// Throws an AppError for a failed operating-system call: the description is
// `what` followed by the system's text for `sysError`, and the code is kept.
[[noreturn]] void ThrowSystemError(int32_t number, const std::string& what, int sysError);

}  // namespace pf
