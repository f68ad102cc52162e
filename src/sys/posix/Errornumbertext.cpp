#include "sys/Errornumbertext.h"

#include <cstring>

std::string ErrorNumberText(int error)
{
    // Not strerror: it may write its text into a buffer that every thread shares.
    if (const char* description = strerrordesc_np(error))
        return description;
    return "error " + std::to_string(error);
}
