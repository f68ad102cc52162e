#include "support/Tcommandrunner.h"

#include <csignal>
#include <thread>

#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {
std::string ReadAll(int fd)
{
    std::string text;
    char buffer[65536];
    for (ssize_t count; (count = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(count));
    return text;
}
}  // namespace

TCommandResult RunCommand(const std::vector<std::string>& arguments, std::optional<std::chrono::milliseconds> interruptAfter)
{
    char outputName[] = "/tmp/vellumark-out-XXXXXX";
    char errorName[] = "/tmp/vellumark-err-XXXXXX";
    const int output = mkstemp(outputName);
    const int errors = mkstemp(errorName);
    if (output < 0 || errors < 0)
        throw std::runtime_error("cannot create capture files");
    unlink(outputName);
    unlink(errorName);
    const pid_t child = fork();
    if (child == 0) {
        dup2(output, STDOUT_FILENO);
        dup2(errors, STDERR_FILENO);
        const int input = open("/dev/null", O_RDONLY);
        dup2(input, STDIN_FILENO);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (interruptAfter) {
        std::this_thread::sleep_for(*interruptAfter);
        kill(child, SIGINT);
    }
    int status = 0;
    waitpid(child, &status, 0);
    TCommandResult result;
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    lseek(output, 0, SEEK_SET);
    lseek(errors, 0, SEEK_SET);
    result.Output = ReadAll(output);
    result.Errors = ReadAll(errors);
    close(output);
    close(errors);
    return result;
}
