#include "base/ui/WindowThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QThreadPool>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace ravlin {

namespace {

struct TTask {
    const std::function<void()>* work = nullptr;
    bool finished = false;
};

// Lives on the window thread; runs the tasks that workers queue for it.
class TWindowThread : public QObject {
    Q_OBJECT
  public:
    static TWindowThread& Instance() {
        // Never deleted: workers may still look for it while the program ends.
        static TWindowThread* instance = [] {
            auto* w = new TWindowThread;
            w->moveToThread(QCoreApplication::instance()->thread());
            return w;
        }();
        return *instance;
    }

    void Queue(TTask& task) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            pending_.push_back(&task);
        }
        // By name: the call crosses to the window thread without a functor object that
        // this thread writes and that one reads.
        QMetaObject::invokeMethod(this, "RunPending", Qt::QueuedConnection);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&] { return task.finished; });
    }

  public slots:
    void RunPending() {
        for (;;) {
            TTask* task = nullptr;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (pending_.empty()) return;
                task = pending_.front();
                pending_.pop_front();
            }
            (*task->work)();
            {
                std::lock_guard<std::mutex> lock(mutex_);
                task->finished = true;
            }
            done_.notify_all();
        }
    }

  private:
    std::mutex mutex_;
    std::condition_variable done_;
    std::deque<TTask*> pending_;
};

}  // namespace

bool OnTheWindowThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void RunOnWindowThread(const std::function<void()>& work) {
    if (OnTheWindowThread()) {
        work();
        return;
    }
    TTask task;
    task.work = &work;
    TWindowThread::Instance().Queue(task);
}

bool RunInWorker(const std::function<bool()>& job) {
    bool result = false;
    QEventLoop loop;
    std::thread worker([&] {
        result = job();
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    return result;
}

void StartInPool(std::function<void()> work) {
    static std::mutex mutex;
    static std::deque<std::function<void()>> jobs;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        jobs.push_back(std::move(work));
    }
    // One pool task per job; each takes the oldest job waiting.
    QThreadPool::globalInstance()->start([] {
        std::function<void()> job;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            job = std::move(jobs.front());
            jobs.pop_front();
        }
        job();
    });
}

}  // namespace ravlin

#include "WindowThread.moc"
