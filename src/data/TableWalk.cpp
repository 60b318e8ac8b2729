#include "data/TableWalk.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "engine/Jobs.h"

namespace kvl {

int WalkTableParts(DATA4* table, int parts,
                   const std::function<void(int, long, std::string_view)>& visit) {
    if (int rc = table->refresh(); rc < 0) return rc;
    const xb::DbfFile& file = table->file();
    const long count = static_cast<long>(file.recordCount());
    const size_t length = file.recordLength();
    const long perBlock = std::max<long>(1, static_cast<long>((256 * 1024) / length));
    std::vector<std::function<xb::Status()>> jobs;
    for (int part = 0; part < parts; ++part) {
        const long first = 1 + count * part / parts, end = 1 + count * (part + 1) / parts;
        jobs.push_back([&, part, first, end]() -> xb::Status {
            try {
                std::vector<char> block(static_cast<size_t>(perBlock) * length);
                for (long at = first; at < end; at += perBlock) {
                    const long n = std::min(perBlock, end - at);
                    if (xb::Status s = file.readRecords(static_cast<uint32_t>(at),
                                                        static_cast<uint32_t>(n), block.data());
                        !s.ok())
                        return s;
                    visit(part, at,
                          std::string_view(block.data(), static_cast<size_t>(n) * length));
                }
            } catch (const std::bad_alloc&) {
                // Thrown on the second thread it would end the process; it ends the walk instead.
                return xb::Status::Error(xb::e4info,
                                         table->path() + ": not enough memory to read it");
            }
            return xb::Status::Ok();
        });
    }
    if (const xb::Status s = xb::RunJobs(jobs); !s.ok())
        return table->engine().raise(s.code, s.message);
    return 0;
}

}  // namespace kvl
