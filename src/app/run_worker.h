// Long work of the window off its own thread: the work runs on a thread of
// its own while the window's thread goes on processing events (repainting,
// the progress window's 取消), and the result or the exception comes back
// to the caller as if the work had run in place.
//
// The work may call the window's UserFeedback (WindowFeedback marshals every
// call to the window's thread); it must not touch widgets itself.
#pragma once

#include <exception>
#include <optional>
#include <thread>
#include <utility>

#include <QEventLoop>
#include <QMetaObject>

namespace tarvik {

template <typename Work>
auto RunOffTheWindow(Work&& work) -> decltype(work()) {
  using Result = decltype(work());
  std::optional<Result> result;
  std::exception_ptr failure;
  QEventLoop loop;
  std::thread worker([&] {
    try {
      result.emplace(work());
    } catch (...) {
      failure = std::current_exception();
    }
    // Queued: delivered once the loop runs, however soon the work ended.
    QMetaObject::invokeMethod(
        &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  if (failure) std::rethrow_exception(failure);
  return std::move(*result);
}

}  // namespace tarvik
