#include "engine/Jobs.h"

#include <atomic>
#include <system_error>
#include <thread>

#include "engine/Files.h"

namespace xb {

Status RunJobs(const std::vector<std::function<Status()>>& jobs) {
    std::vector<Status> results(jobs.size());
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    // After a failure no job starts: the operation is given up.
    auto work = [&] {
        for (size_t i = next++; i < jobs.size() && !failed; i = next++) {
            results[i] = jobs[i]();
            if (!results[i].ok()) failed = true;
        }
    };
    std::thread helper;
    if (jobs.size() > 1 && !FaultPlanInstalled()) {
        try {
            helper = std::thread(work);
        } catch (const std::system_error&) {
            // No second thread: the calling thread does every job.
        }
    }
    work();
    if (helper.joinable()) helper.join();
    for (const Status& s : results)
        if (!s.ok()) return s;
    return Status::Ok();
}

}  // namespace xb
