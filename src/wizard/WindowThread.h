#pragma once
// Work that must run on the window thread (widgets, message windows), called from any
// thread. The wizard's generation run works on a thread of its own and reaches its windows
// through these.

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

namespace pf::wizard {

inline bool OnWindowThreadNow() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

// Runs f on the window thread and returns its result; another thread waits for it meanwhile.
// What f throws is thrown to the caller, on the caller's thread.
template <class F>
decltype(auto) OnWindowThread(F&& f) {
  using R = std::invoke_result_t<F&>;
  if (OnWindowThreadNow()) return f();
  std::exception_ptr error;
  std::conditional_t<std::is_void_v<R>, bool, std::optional<R>> result{};
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [&] {
        try {
          if constexpr (std::is_void_v<R>)
            f();
          else
            result.emplace(f());
        } catch (...) {
          error = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (error) std::rethrow_exception(error);
  if constexpr (!std::is_void_v<R>) return R(std::move(*result));
}

// Has f run on the window thread soon, without waiting for it (at once on that thread).
template <class F>
void PostToWindowThread(F&& f) {
  if (OnWindowThreadNow()) {
    f();
    return;
  }
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::forward<F>(f), Qt::QueuedConnection);
}

}  // namespace pf::wizard
