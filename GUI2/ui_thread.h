#pragma once
// Windows belong to the application's thread. Work that must touch them from
// a worker (a message box, closing the "Please wait" box) is handed over with
// on_ui_thread, which runs it there and waits for its result.
#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <type_traits>

inline bool is_ui_thread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

template <typename F>
auto on_ui_thread(F&& fn) -> std::invoke_result_t<F&> {
  using result = std::invoke_result_t<F&>;
  if (is_ui_thread()) return fn();
  QCoreApplication* app = QCoreApplication::instance();
  if constexpr (std::is_void_v<result>) {
    QMetaObject::invokeMethod(app, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
  } else {
    result value{};
    QMetaObject::invokeMethod(app, [&fn, &value] { value = fn(); }, Qt::BlockingQueuedConnection);
    return value;
  }
}
