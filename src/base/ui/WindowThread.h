#pragma once
// The window thread and the worker of a command, the one way between them:
//   RunInWorker      runs a job on a new thread while the window thread keeps its events
//                    going (windows repaint, questions from the job are answered);
//   OnWindowThread   runs work on the window thread from the job and waits for it (at once
//                    when called on the window thread itself).
// The hand-over goes through a std::mutex and std::thread join, so that ThreadSanitizer
// sees every hand-over: Qt's own event queue is not instrumented.

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace ravlin {

// True on the window thread (the thread of the application object), or when there is
// no application object.
bool OnTheWindowThread();

// Runs `work` on the window thread and waits until it has run there.
void RunOnWindowThread(const std::function<void()>& work);

// The same for work with a result.
template <typename F>
auto OnWindowThread(F&& fn) -> decltype(fn()) {
    using R = decltype(fn());
    if constexpr (std::is_void_v<R>) {
        RunOnWindowThread([&] { fn(); });
    } else {
        std::optional<R> result;
        RunOnWindowThread([&] { result.emplace(fn()); });
        return std::move(*result);
    }
}

// Runs `job` on a worker thread; the calling (window) thread runs its events until the job
// has ended. Returns the job's result.
bool RunInWorker(const std::function<bool()>& job);

// Starts `work` on Qt's global thread pool and returns at once (loading a file in the
// background). The job goes over through a std::mutex, so ThreadSanitizer sees the
// hand-over that the pool's own uninstrumented locking hides.
void StartInPool(std::function<void()> work);

}  // namespace ravlin
