#pragma once
// An open file descriptor that is closed when it goes out of scope.

#include <unistd.h>

class TDescriptor {
public:
    explicit TDescriptor(int fd = -1) : Fd(fd) {}
    ~TDescriptor()
    {
        if (Fd >= 0)
            close(Fd);
    }
    TDescriptor(TDescriptor&& other) noexcept : Fd(other.Fd) { other.Fd = -1; }
    TDescriptor& operator=(TDescriptor&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;

    bool IsOpen() const { return Fd >= 0; }
    int Get() const { return Fd; }
    void Reset(int fd = -1)
    {
        if (Fd >= 0)
            close(Fd);
        Fd = fd;
    }
    int Release()
    {
        const int fd = Fd;
        Fd = -1;
        return fd;
    }
    // Closes now and reports the result: a late write error of the file system shows here.
    int Close() { return close(Release()); }

private:
    int Fd;
};
