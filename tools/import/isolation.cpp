// Work run in a child process with bounded time and memory: a damaged file that
// makes libmdb crash or loop ends that child, never the tool.
#include "isolation.h"

#include "importerror.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace jetimport {

namespace {

// AddressSanitizer reserves terabytes of address space for its own bookkeeping, so
// in such a build a limit on address space would stop every conversion.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool limitAddressSpace = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool limitAddressSpace = false;
#else
constexpr bool limitAddressSpace = true;
#endif
#else
constexpr bool limitAddressSpace = true;
#endif

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

void writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        done += static_cast<std::size_t>(written);
    }
}

std::string readAll(int fd)
{
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(count));
    }
}

[[noreturn]] void cannotStart()
{
    throw ImportError(ExitCode::TargetUnwritable,
                      std::string("Impossibile avviare la conversione: ") + std::strerror(errno) + ".");
}

[[noreturn]] void runChild(int output, const std::function<std::string()>& work, unsigned cpuSeconds,
                           unsigned long long memoryBytes)
{
    // The soft limit sends SIGXCPU; the hard one, a little later, SIGKILL.
    const rlimit cpu{cpuSeconds, cpuSeconds + 2};
    const rlimit memory{memoryBytes, memoryBytes};
    const rlimit noCore{0, 0}; // a crash here is expected now and then: no core files
    ::setrlimit(RLIMIT_CPU, &cpu);
    if (limitAddressSpace)
        ::setrlimit(RLIMIT_AS, &memory);
    ::setrlimit(RLIMIT_CORE, &noCore);
    // libmdb prints its warnings; the user is told in the tool's own words.
    if (const int quiet = ::open("/dev/null", O_RDWR); quiet >= 0) {
        ::dup2(quiet, STDIN_FILENO);
        ::dup2(quiet, STDOUT_FILENO);
        ::dup2(quiet, STDERR_FILENO);
        ::close(quiet);
    }
    std::string result;
    try {
        result = work();
    } catch (...) {
        ::_exit(1);
    }
    writeAll(output, result);
    ::close(output);
    ::_exit(0);
}

} // namespace

ChildOutcome runInChild(const std::function<std::string()>& work, unsigned cpuSeconds,
                        unsigned long long memoryBytes)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        cannotStart();
    FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd(ends[1]);

    const pid_t child = ::fork();
    if (child < 0)
        cannotStart();
    if (child == 0) {
        readEnd.reset();
        runChild(writeEnd.get(), work, cpuSeconds, memoryBytes);
    }
    writeEnd.reset();

    ChildOutcome outcome;
    outcome.output = readAll(readEnd.get());
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        outcome.exited = WEXITSTATUS(status) == 0;
    } else if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
        outcome.outOfTime = outcome.signal == SIGXCPU || outcome.signal == SIGKILL;
    }
    if (!outcome.exited)
        outcome.output.clear();
    return outcome;
}

} // namespace jetimport
