#pragma once
// The process heap set up for what a run does: build texts of tens of megabytes (a class of
// 10,000 procedures is 15 MB), copy them a few times and free them, beside hundreds of
// thousands of small strings.

namespace pf::Heap {

// Called first thing in main, before the program allocates much. Freed memory stays in the
// heap for the next text instead of going back to the kernel, and the heap is marked for
// huge pages where the kernel offers them: each 4 KB page touched for the first time costs a
// page fault, which on a virtual machine takes microseconds, and a run over a large
// catalogue otherwise touches tens of thousands of them. Safe to call more than once; where
// the allocator or the kernel does not take a setting the program runs as before.
void Prepare();

}  // namespace pf::Heap
