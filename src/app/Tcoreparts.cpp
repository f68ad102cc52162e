#include "app/Tcoreparts.h"

#include <exception>
#include <thread>
#include <vector>

namespace {
constexpr std::size_t MaxParts = 8;
constexpr std::size_t MinPartSize = 4096;
}  // namespace

TWorkPool& ProgramPool()
{
    static TWorkPool pool(0);
    return pool;
}

TCoreParts::TCoreParts(std::size_t items, TWorkPool& pool)
    : Items(items),
      Pool(pool),
      Parts(std::clamp<std::size_t>(std::min({static_cast<std::size_t>(std::thread::hardware_concurrency()),
                                              static_cast<std::size_t>(pool.ActiveThreads()), items / MinPartSize}),
                                    1, MaxParts))
{}

void TCoreParts::Run(const TJob& job) const
{
    const std::size_t partSize = PartSize();
    // Every part runs to its end even where another failed, as with a thread of its own each.
    std::vector<std::exception_ptr> errors(Parts);
    const auto runPart = [&](std::size_t part) {
        try {
            job(part, std::min(Items, part * partSize), std::min(Items, (part + 1) * partSize));
        } catch (...) {
            errors[part] = std::current_exception();
        }
    };
    std::vector<TWorkPool::TTask> others;
    others.reserve(Parts - 1);
    for (std::size_t part = 1; part < Parts; ++part)
        others.emplace_back([&runPart, part] { runPart(part); });
    Pool.RunBeside([&] { runPart(0); }, std::move(others));
    for (const std::exception_ptr& error : errors)
        if (error)
            std::rethrow_exception(error);
}
