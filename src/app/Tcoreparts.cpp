#include "app/Tcoreparts.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace {
constexpr std::size_t MaxParts = 8;
constexpr std::size_t MinPartSize = 4096;
}  // namespace

TCoreParts::TCoreParts(std::size_t items)
    : Items(items),
      Parts(std::clamp<std::size_t>(std::min<std::size_t>(std::thread::hardware_concurrency(), items / MinPartSize), 1,
                                    MaxParts))
{}

void TCoreParts::Run(const TJob& job) const
{
    const std::size_t partSize = PartSize();
    std::vector<std::exception_ptr> errors(Parts);
    const auto runPart = [&](std::size_t part) {
        try {
            job(part, std::min(Items, part * partSize), std::min(Items, (part + 1) * partSize));
        } catch (...) {
            errors[part] = std::current_exception();
        }
    };
    std::vector<std::thread> workers;
    workers.reserve(Parts - 1);
    for (std::size_t part = 1; part < Parts; ++part) {
        // Without a thread to spare the part is only slower, not lost.
        try {
            workers.emplace_back(runPart, part);
        } catch (const std::system_error&) {
            runPart(part);
        }
    }
    runPart(0);
    for (std::thread& worker : workers)
        worker.join();
    for (const std::exception_ptr& error : errors)
        if (error)
            std::rethrow_exception(error);
}
