#include "platform/Heap.h"

#ifdef _WIN32

namespace pf::Heap {

// The C runtime's heap on Windows takes no tuning.
void Prepare() {}

}  // namespace pf::Heap

#else

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace pf::Heap {

namespace {

// Blocks up to this size come from the heap, not from mappings of their own that are
// returned (and touched afresh) one by one; 32 MB is the most the allocator accepts.
constexpr int kMapThreshold = 32 << 20;
// The heap is given back to the kernel only when this much is free at its top.
constexpr int kTrimThreshold = 1 << 30;
// Each growth of the heap reserves this much address space beyond the request. Only pages
// touched become memory; reserving the room once lets one huge-page mark cover it.
constexpr int kTopPad = 512 << 20;

bool prepared = false;

}  // namespace

void Prepare() {
  if (prepared) return;
  prepared = true;
  mallopt(M_MMAP_THRESHOLD, kMapThreshold);
  mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
  mallopt(M_TOP_PAD, kTopPad);
  // Grow the heap now, past what is free at its top, so that the padded room exists to be
  // marked. The pointer is volatile: a compiler may drop a malloc whose block is never used.
  char* const begin = static_cast<char*>(sbrk(0));
  void* volatile probe = std::malloc(mallinfo2().keepcost + (1 << 20));
  std::free(probe);
  char* const end = static_cast<char*>(sbrk(0));
  // No growth: the heap cannot grow here (under valgrind) or lives elsewhere (a checking allocator).
  if (begin == reinterpret_cast<char*>(-1) || end <= begin) return;
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t from = (reinterpret_cast<uintptr_t>(begin) + page - 1) & ~(page - 1);
  // Without transparent huge pages the kernel refuses the mark; small pages then serve.
  madvise(reinterpret_cast<void*>(from), static_cast<size_t>(reinterpret_cast<uintptr_t>(end) - from), MADV_HUGEPAGE);
}

}  // namespace pf::Heap

#endif
