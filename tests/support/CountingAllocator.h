// Every operator new of a program that links tessel_counting_allocator is counted (the replacement
// operators are in CountingAllocator.cpp), so that a test or a benchmark can show that a piece of
// work allocates nothing.
#pragma once

// The operator new calls of the program so far, in all threads.
long HeapAllocations();
