// The unwind-table lookup that setup.exe links in place of the runtime's:
// exceptions must still pass through every kind of frame, running each
// destructor once, and the lookup must name the right function.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

extern "C" {
struct dwarf_eh_bases {
  void* tbase;
  void* dbase;
  void* func;
};
const void* _Unwind_Find_FDE(void* pc, dwarf_eh_bases* bases);
}

namespace {

int g_destroyed = 0;

struct Counted {
  ~Counted() { ++g_destroyed; }
};

__attribute__((noinline)) void Thrower(int depth) {
  Counted here;
  if (depth == 0) throw std::runtime_error("deep");
  Thrower(depth - 1);
}

__attribute__((noinline)) void Rethrower() {
  try {
    Thrower(3);
  } catch (const std::exception&) {
    Counted during;
    throw;
  }
}

// Throws and catches inside a destructor that runs while another exception
// passes: the unwinder looks frames up again in the middle of an unwinding.
struct CatchesWhileUnwinding {
  ~CatchesWhileUnwinding() {
    try {
      Thrower(2);
    } catch (const std::runtime_error&) {
    }
  }
};

__attribute__((noinline)) void ThrowsPastACatchingDestructor() {
  CatchesWhileUnwinding guard;
  throw std::string("outer");
}

TEST(FrameLookup, ExceptionsPassEveryFrameAndRunEachDestructorOnce) {
  g_destroyed = 0;
  EXPECT_THROW(Thrower(5), std::runtime_error);
  EXPECT_EQ(g_destroyed, 6);

  g_destroyed = 0;
  try {
    Rethrower();
    ADD_FAILURE() << "nothing thrown";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "deep");
  }
  EXPECT_EQ(g_destroyed, 4 + 1);

  g_destroyed = 0;
  try {
    ThrowsPastACatchingDestructor();
    ADD_FAILURE() << "nothing thrown";
  } catch (const std::string& s) {
    EXPECT_EQ(s, "outer");
  }
  EXPECT_EQ(g_destroyed, 3);
}

TEST(FrameLookup, NamesTheFunctionThatHoldsAnAddress) {
  const struct {
    const char* name;
    void* function;
  } functions[] = {
      {"Thrower", reinterpret_cast<void*>(&Thrower)},
      {"Rethrower", reinterpret_cast<void*>(&Rethrower)},
      {"ThrowsPastACatchingDestructor", reinterpret_cast<void*>(&ThrowsPastACatchingDestructor)},
  };
  for (const auto& f : functions) {
    dwarf_eh_bases bases{};
    const void* record = _Unwind_Find_FDE(static_cast<char*>(f.function) + 1, &bases);
    EXPECT_NE(record, nullptr) << f.name;
    EXPECT_EQ(bases.func, f.function) << f.name;
  }
  static int data = 0;
  dwarf_eh_bases bases{};
  EXPECT_EQ(_Unwind_Find_FDE(&data, &bases), nullptr) << "a data address is in no function";
}

}  // namespace
