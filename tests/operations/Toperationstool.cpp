// operations_tool move|copy|delete SOURCE_ROOT DESTINATION_ROOT PATH...: runs the items at the
// paths below the two roots through the operations thread and prints its log, one line each, as
// it comes. Tests run it where the test process itself cannot go: as another user, under a
// file-size limit, or to be killed. Exit status 0 when the last item succeeded.

#include <cstdio>
#include <map>
#include <optional>
#include <string>

#include "jobs/Teventloop.h"
#include "operations/Toperationsthread.h"

int main(int argc, char** argv)
{
    const std::map<std::string, TFileOperation> operations{{"move", foMove}, {"copy", foCopy}, {"delete", foDelete}};
    if (argc < 5 || !operations.contains(argv[1])) {
        std::fputs("usage: operations_tool move|copy|delete SOURCE_ROOT DESTINATION_ROOT PATH...\n", stderr);
        return 2;
    }
    // A test that kills the run reads each line as soon as the log has it.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    TEventLoop loop;
    std::vector<TCompareItem> items(static_cast<std::size_t>(argc - 4));
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i].Path = argv[i + 4];
    TOperationsThread thread(items, operations.at(argv[1]), {argv[2], argv[3]}, loop);
    bool succeeded = false;
    thread.SetOnLog([&](const std::string& text, const std::optional<TTransferOutcome>& outcome) {
        std::printf("%s\n", text.c_str());
        if (outcome)
            succeeded = outcome->Succeeded();
    });
    thread.Resume();
    loop.RunUntil([&] { return thread.Ended(); });
    return succeeded ? 0 : 1;
}
