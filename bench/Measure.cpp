#include "Measure.h"

#include <malloc.h>

#include <fstream>
#include <string>

namespace bench {

namespace {

double StatusMb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) == 0) return std::stod(line.substr(prefix.size())) / 1024.0;
    }
    return 0;
}

}  // namespace

bool RestartPeakRss() {
    malloc_trim(0);
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

double PeakRssMb() {
    return StatusMb("VmHWM");
}
double CurrentRssMb() {
    return StatusMb("VmRSS");
}

}  // namespace bench
