// Standard output and error take the UTF-8 bytes as they are. A reader that has gone (a pipe into
// `head`, say) ends no run: the write fails and the caller learns that it did, no more.
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/console.h"

namespace platform {
namespace {

// Holds SIGPIPE back on this thread for its lifetime, and drops the one a write to a closed pipe
// raised meanwhile. A SIGPIPE that was pending already, or that the thread blocked itself, stays
// as it was.
class BrokenPipeGuard {
 public:
  BrokenPipeGuard() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    was_pending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
  }
  ~BrokenPipeGuard() {
    if (!was_pending_ && sigismember(&previous_, SIGPIPE) != 1) {
      const timespec no_wait{};
      const int saved = errno;
      sigtimedwait(&pipe_, nullptr, &no_wait);
      errno = saved;
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  BrokenPipeGuard(const BrokenPipeGuard&) = delete;
  BrokenPipeGuard& operator=(const BrokenPipeGuard&) = delete;

 private:
  sigset_t pipe_;
  sigset_t previous_;
  bool was_pending_ = false;
};

}  // namespace

bool WriteStandard(StandardStream stream, std::string_view utf8) {
  std::FILE* file = stream == StandardStream::kOutput ? stdout : stderr;
  const BrokenPipeGuard guard;
  const bool written = std::fwrite(utf8.data(), 1, utf8.size(), file) == utf8.size();
  const bool flushed = std::fflush(file) == 0;
  // A failed write leaves the stream's error flag set; the next write tries again regardless.
  std::clearerr(file);
  return flushed && written;
}

}  // namespace platform
