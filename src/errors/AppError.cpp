#include "errors/AppError.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>

namespace pf {

namespace {
const char* const kAppSource = "Procforge";

int32_t NumberForErrno(int code) {
  switch (code) {
    case ENOENT:
    case ENOTDIR:
      return ERR_FILE_NOT_FOUND;
    case ENOMEM:
      return ERR_OUT_OF_MEMORY;
    default:
      return ERR_PATH_ACCESS;
  }
}
}  // namespace

AppError ToAppError(const std::exception_ptr& e) {
  if (!e) return AppError();
  try {
    std::rethrow_exception(e);
  } catch (const AppError& err) {
    return err;
  } catch (const std::filesystem::filesystem_error& err) {
    AppError out(NumberForErrno(err.code().value()), kAppSource, err.what());
    out.SysError = err.code().value();
    return out;
  } catch (const std::system_error& err) {
    AppError out(NumberForErrno(err.code().value()), kAppSource, err.what());
    out.SysError = err.code().value();
    return out;
  } catch (const std::bad_alloc&) {
    return AppError(ERR_OUT_OF_MEMORY, kAppSource, "Out of memory");
  } catch (const std::out_of_range& err) {
    return AppError(ERR_SUBSCRIPT, kAppSource, std::string("Subscript out of range: ") + err.what());
  } catch (const std::exception& err) {
    return AppError(ERR_GENERAL, kAppSource, err.what());
  } catch (...) {
    return AppError(ERR_GENERAL, kAppSource, "Unknown error");
  }
}

void ThrowSystemError(int32_t number, const std::string& what, int sysError) {
  AppError err(number, kAppSource, what + ": " + std::strerror(sysError));
  err.SysError = sysError;
  throw err;
}

}  // namespace pf
