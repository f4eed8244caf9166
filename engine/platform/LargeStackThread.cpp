#include "platform/LargeStackThread.h"

#include <pthread.h>

#include <cstring>
#include <exception>
#include <memory>

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

}  // namespace platform
