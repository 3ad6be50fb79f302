// POSIX side of the file mappings. A read of a mapped page that lies past the end of a
// file that has shrunk raises SIGBUS; inside a guarded section a handler of ours jumps back
// to the section's start instead (a jump buffer per thread), and anywhere else the signal
// does what it would have done without us.
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "platform/mapped_file.h"

namespace qm::platform {

void FileMapping::release() {
  if (data_) ::munmap(const_cast<std::uint8_t*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
}

std::optional<FileMapping> FileMapping::map(std::FILE* file, std::uint64_t offset, std::size_t length) {
  if (!file || length == 0 || offset % mappingGranularity() != 0) return std::nullopt;
  void* p = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, ::fileno(file), static_cast<off_t>(offset));
  if (p == MAP_FAILED) return std::nullopt;
  FileMapping mapping;
  mapping.data_ = static_cast<const std::uint8_t*>(p);
  mapping.size_ = length;
  return mapping;
}

std::size_t mappingGranularity() {
  static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return page;
}

std::optional<std::uint64_t> currentSize(std::FILE* file) {
  struct stat st {};
  if (!file || ::fstat(::fileno(file), &st) != 0 || st.st_size < 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

namespace {

// The jump buffer of the guarded section this thread is in; a plain pointer, so that the
// handler reads it without anything that could block.
thread_local sigjmp_buf* tGuard = nullptr;
struct sigaction gEarlierAction {};

void onBusError(int signal, siginfo_t* info, void* context) {
  if (sigjmp_buf* jump = tGuard) {
    tGuard = nullptr;
    siglongjmp(*jump, 1);
  }
  // Not a guarded read: whoever handled the signal before us, or the default action once
  // the faulting read runs again.
  if ((gEarlierAction.sa_flags & SA_SIGINFO) && gEarlierAction.sa_sigaction) {
    gEarlierAction.sa_sigaction(signal, info, context);
  } else if (gEarlierAction.sa_handler != SIG_DFL && gEarlierAction.sa_handler != SIG_IGN) {
    gEarlierAction.sa_handler(signal);
  } else {
    ::signal(SIGBUS, SIG_DFL);
  }
}

void installHandler() {
  struct sigaction action {};
  action.sa_sigaction = onBusError;
  // SA_NODEFER: the signal stays unblocked when the handler jumps out, so the jump needs
  // no saved signal mask.
  action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGBUS, &action, &gEarlierAction);
}

}  // namespace

bool runGuarded(void (*section)(void* context), void* context) {
  static std::once_flag installed;
  std::call_once(installed, installHandler);
  sigjmp_buf jump;
  sigjmp_buf* const outer = tGuard;
  if (sigsetjmp(jump, 0) != 0) {
    tGuard = outer;
    return false;
  }
  tGuard = &jump;
  try {
    section(context);
  } catch (...) {
    tGuard = outer;
    throw;
  }
  tGuard = outer;
  return true;
}

GatherResult writeGathered(std::FILE* out, std::span<const Piece> pieces) {
  if (std::fflush(out) != 0) return GatherResult::WriteFailed;
  const int fd = ::fileno(out);
  constexpr std::size_t kMostPerCall = 1024;  // IOV_MAX on Linux
  iovec vec[kMostPerCall];
  std::size_t at = 0, done = 0;  // the piece being written and its bytes already written
  while (at < pieces.size()) {
    std::size_t n = 0;
    for (std::size_t k = at; k < pieces.size() && n < kMostPerCall; ++k) {
      const std::size_t skip = k == at ? done : 0;
      if (pieces[k].size == skip) continue;
      vec[n].iov_base = const_cast<std::uint8_t*>(pieces[k].data + skip);
      vec[n].iov_len = pieces[k].size - skip;
      ++n;
    }
    if (n == 0) break;
    const ssize_t written = ::writev(fd, vec, static_cast<int>(n));
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno == EFAULT) return GatherResult::SourceUnreadable;
    if (written <= 0) return GatherResult::WriteFailed;
    // Moves past what was written; empty pieces are passed on the way.
    auto left = static_cast<std::size_t>(written);
    while (at < pieces.size()) {
      const std::size_t rest = pieces[at].size - done;
      if (left < rest) {
        done += left;
        break;
      }
      left -= rest;
      ++at;
      done = 0;
    }
  }
  return GatherResult::Written;
}

}  // namespace qm::platform
