#include "components/o_ConnectionProbe.h"

#include "components/o_Schema.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// Shared by the waiting caller and the attempt, which may outlive the wait.
struct Attempt
{
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    ConnectionProbe result;
};

} // namespace

ConnectionProbe ConnectionProbe::run(const ConnectionSettings& settings, int loginTimeoutSeconds)
{
    auto attempt = std::make_shared<Attempt>();
    std::thread([attempt, settings, loginTimeoutSeconds] {
        ConnectionProbe result;
        try {
            // The connection belongs to this thread from opening to closing.
            DbConnection probe;
            settings.open(probe, loginTimeoutSeconds);
            result.missing = Schema::check(probe);
            result.outcome = Ready;
            probe.close();
        } catch (const std::exception& error) {
            result.outcome = Failed;
            result.failure = errorMessage(error);
        } catch (...) {
            result.outcome = Failed;
            result.failure = QStringLiteral("Unknown error");
        }
        std::lock_guard<std::mutex> lock(attempt->mutex);
        attempt->result = std::move(result);
        attempt->done = true;
        attempt->finished.notify_all();
    }).detach();

    // The driver's own timeout answers first when it works; one second more
    // covers its message.
    std::unique_lock<std::mutex> lock(attempt->mutex);
    if (!attempt->finished.wait_for(lock, std::chrono::seconds(loginTimeoutSeconds + 1), [&] { return attempt->done; })) {
        ConnectionProbe silent;
        silent.outcome = NotAnswering;
        silent.failure = QStringLiteral("The server did not answer within %1 seconds.").arg(loginTimeoutSeconds);
        return silent;
    }
    return attempt->result;
}
