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

// The program with its output and errors going to unnamed files.
class TChild {
public:
    explicit TChild(const std::vector<std::string>& arguments)
    {
        char outputName[] = "/tmp/vellumark-out-XXXXXX";
        char errorName[] = "/tmp/vellumark-err-XXXXXX";
        Output = mkstemp(outputName);
        Errors = mkstemp(errorName);
        if (Output < 0 || Errors < 0)
            throw std::runtime_error("cannot create capture files");
        unlink(outputName);
        unlink(errorName);
        Pid = fork();
        if (Pid == 0) {
            dup2(Output, STDOUT_FILENO);
            dup2(Errors, STDERR_FILENO);
            const int input = open("/dev/null", O_RDONLY);
            dup2(input, STDIN_FILENO);
            std::vector<char*> argv;
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~TChild()
    {
        close(Output);
        close(Errors);
    }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    pid_t Id() const { return Pid; }
    // True once the program has ended and its status is recorded.
    bool Ended(int options)
    {
        int status = 0;
        if (waitpid(Pid, &status, options) != Pid)
            return false;
        Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }
    TCommandResult Result() const
    {
        TCommandResult result;
        result.Status = Status;
        lseek(Output, 0, SEEK_SET);
        lseek(Errors, 0, SEEK_SET);
        result.Output = ReadAll(Output);
        result.Errors = ReadAll(Errors);
        return result;
    }

private:
    int Output = -1;
    int Errors = -1;
    pid_t Pid = -1;
    int Status = -1;
};

constexpr auto PollInterval = std::chrono::milliseconds(5);
}  // namespace

TCommandResult RunCommand(const std::vector<std::string>& arguments)
{
    TChild child(arguments);
    child.Ended(0);
    return child.Result();
}

TCommandResult RunCommand(const std::vector<std::string>& arguments, const TInterruption& interruption)
{
    TChild child(arguments);
    while (!interruption.Ready(child.Id())) {
        if (child.Ended(WNOHANG))
            return child.Result();  // ended before it was ready: the caller sees its status
        std::this_thread::sleep_for(PollInterval);
    }
    kill(child.Id(), interruption.Signal);
    const auto deadline = std::chrono::steady_clock::now() + interruption.HangGuard;
    while (!child.Ended(WNOHANG)) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child.Id(), SIGKILL);
            child.Ended(0);
            TCommandResult hung = child.Result();
            hung.Status = -1;
            hung.Errors +=
                "(killed: still running " + std::to_string(interruption.HangGuard.count()) + " ms after the interrupt)";
            return hung;
        }
        std::this_thread::sleep_for(PollInterval);
    }
    return child.Result();
}
