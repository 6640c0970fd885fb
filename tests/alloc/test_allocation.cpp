// One property evaluation allocates nothing. This program replaces every form of the global
// operator new and delete to count allocations, so it is kept apart from the other tests.
#include "shared/QuorelDatabase.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

using namespace quorel;

// Every allocation of this test program is counted, so that a test can show that one property
// evaluation allocates nothing. All forms of new and delete are replaced together, so that
// what one allocates the other frees.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<long> g_allocations{0};
void* CountedAlloc(std::size_t n) {
  ++g_allocations;
  return std::malloc(n ? n : 1);
}
void* CountedAlignedAlloc(std::size_t n, std::align_val_t a) {
  ++g_allocations;
  const std::size_t align = static_cast<std::size_t>(a);
  return std::aligned_alloc(align, (n + align - 1) / align * align);
}
void* Checked(void* p) {
  if (!p) throw std::bad_alloc();
  return p;
}
}  // namespace
void* operator new(std::size_t n) { return Checked(CountedAlloc(n)); }
void* operator new[](std::size_t n) { return Checked(CountedAlloc(n)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void* operator new(std::size_t n, std::align_val_t a) { return Checked(CountedAlignedAlloc(n, a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return Checked(CountedAlignedAlloc(n, a)); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  return CountedAlignedAlloc(n, a);
}
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  return CountedAlignedAlloc(n, a);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

const std::string kRows = std::string(QUOREL_SOURCE_DIR) + "/tests/shared/fixtures/db_reference_rows.tdb";

int Row(const char* name, const char* phase) { return FindFirstDataset(name, phase); }

TEST(Allocation, OneEvaluationAllocatesNothing) {
  ClearDatabase();
  ASSERT_GT(LoadDatabase(kRows), 0);
  struct Case {
    const char* name;
    const char* phase;
    double P, T;
  } cases[] = {{"CO2", "(g)", 30, 400},      {"CO2", "(g)", 74, 305},  {"C4H10", "(l)", 9.4573, 350},
               {"C4H10", "(l)", 1, 420},     {"H2O", "(l)", 1, 350},   {"HgForm", "(g)", 1, 800},
               {"NoOmega", "(g)", 10, 300}};
  int rows[7];
  for (int i = 0; i < 7; ++i) rows[i] = Row(cases[i].name, cases[i].phase);
  PropertyResult r;
  const long before = g_allocations.load();
  for (int eos = 0; eos < EosTypeCount; ++eos)
    for (int i = 0; i < 7; ++i) EvaluateProperties(rows[i], eos, r, cases[i].P, cases[i].T);
  EXPECT_EQ(g_allocations.load() - before, 0);
  ClearDatabase();
}

}  // namespace
