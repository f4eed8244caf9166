#include "platform/LargeStackThread.h"

#include <pthread.h>

#include <cstring>
#include <exception>
#include <memory>
#include <vector>

namespace platform {

namespace {

thread_local bool onLargeStack = false;

struct ThreadStart {
    std::function<void()> body;
};

void* RunThreadBody(void* argument)
{
    const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(argument));
    onLargeStack = true;
    start->body();
    return nullptr;
}

// Starts the thread; on success it owns `start`.
std::string Start(std::unique_ptr<ThreadStart>& start, pthread_t& thread, bool detached)
{
    pthread_attr_t attributes;
    if (int error = pthread_attr_init(&attributes))
        return std::strerror(error);
    int error = pthread_attr_setstacksize(&attributes, kLargeStackBytes);
    if (!error && detached)
        error = pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (!error)
        error = pthread_create(&thread, &attributes, RunThreadBody, start.get());
    pthread_attr_destroy(&attributes);
    if (error)
        return std::strerror(error);
    start.release();
    return {};
}

}  // namespace

std::string StartDetachedLargeStackThread(std::function<void()> body)
{
    auto start = std::make_unique<ThreadStart>(ThreadStart{std::move(body)});
    pthread_t thread;
    return Start(start, thread, true);
}

std::string RunWithLargeStack(const std::function<void()>& body)
{
    if (onLargeStack) {
        body();
        return {};
    }
    // An exception must not end the program on the helper thread: it goes to the caller.
    std::exception_ptr thrown;
    auto start = std::make_unique<ThreadStart>(ThreadStart{[&body, &thrown] {
        try {
            body();
        } catch (...) {
            thrown = std::current_exception();
        }
    }});
    pthread_t thread;
    if (std::string error = Start(start, thread, false); !error.empty())
        return error;
    pthread_join(thread, nullptr);
    if (thrown)
        std::rethrow_exception(thrown);
    return {};
}

std::string RunSideBySideWithLargeStacks(const std::vector<std::function<void()>>& bodies)
{
    std::vector<std::exception_ptr> thrown(bodies.size());
    auto guarded = [&bodies, &thrown](size_t index) {
        return [&bodies, &thrown, index] {
            try {
                bodies[index]();
            } catch (...) {
                thrown[index] = std::current_exception();
            }
        };
    };
    std::vector<pthread_t> threads;
    std::vector<size_t> notStarted;
    for (size_t i = 0; i < bodies.size(); ++i) {
        auto start = std::make_unique<ThreadStart>(ThreadStart{guarded(i)});
        pthread_t thread;
        if (Start(start, thread, false).empty())
            threads.push_back(thread);
        else
            notStarted.push_back(i);
    }
    std::string problem;
    for (const size_t index : notStarted)
        if (std::string error = RunWithLargeStack(guarded(index)); !error.empty())
            problem = std::move(error);
    for (const pthread_t thread : threads)
        pthread_join(thread, nullptr);
    for (const std::exception_ptr& exception : thrown)
        if (exception)
            std::rethrow_exception(exception);
    return problem;
}

}  // namespace platform
