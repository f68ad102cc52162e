#include "sys/Workingdirectory.h"

#include <cerrno>
#include <stdexcept>
#include <system_error>

#include <unistd.h>

#include "sys/Pathsyntax.h"

namespace {
std::string WorkingDirectory()
{
    std::string buffer(256, '\0');
    for (;;) {
        if (getcwd(buffer.data(), buffer.size()) != nullptr)
            return buffer.c_str();
        if (errno != ERANGE)
            throw std::runtime_error("The working directory cannot be found: " + std::system_category().message(errno));
        buffer.resize(buffer.size() * 2);
    }
}
}  // namespace

std::string AbsolutePath(std::string_view path)
{
    if (path.empty() || PathSyntax::IsSeparator(path.front()))
        return std::string(path);
    std::string result = WorkingDirectory();
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(PathSyntax::Delimiter, start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view component = path.substr(start, end - start);
        if (!component.empty() && component != ".") {
            if (!PathSyntax::IsSeparator(result.back()))
                result += PathSyntax::Delimiter;
            result += component;
        }
        start = end + 1;
    }
    return result;
}
