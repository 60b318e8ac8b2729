// Independent pieces of one long operation (the tags of an index build, the table and tags of a
// pack) run on the calling thread and one more, since the work is bound by the processor and the
// machines it runs on have two cores or more. Each job runs once, whole, on one thread; jobs share
// nothing that they change. The second thread is joined before RunJobs returns, on every path.
// With a fault plan installed (tests that count and cut every write in order) or when no thread
// can be started, the jobs run one after another on the calling thread.
#pragma once

#include <functional>
#include <vector>

#include "engine/Status.h"

namespace xb {

// Runs the jobs and returns the first failure in job order (Ok when none failed). Once a job has
// failed no other starts; those running finish.
Status RunJobs(const std::vector<std::function<Status()>>& jobs);

}  // namespace xb
