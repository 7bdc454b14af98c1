#include "mevcore/threads/Threads.h"

#include <thread>

#include <gtest/gtest.h>
#include <unistd.h>

namespace mevcore {
namespace threads {
namespace {

TEST(ThreadsTest, IdIsTheKernelIdOfEachThread) {
  std::uint32_t here = GetCurrentThreadID();
  EXPECT_EQ(here, static_cast<std::uint32_t>(gettid()));
  EXPECT_EQ(GetCurrentThreadID(), here);

  std::uint32_t there = 0;
  std::thread([&] { there = GetCurrentThreadID(); }).join();
  EXPECT_NE(there, 0u);
  EXPECT_NE(there, here);
}

TEST(ThreadsTest, RegisteredThreadIsTheOnlyMainThread) {
  EXPECT_TRUE(RegisterCurrentThreadAsMainThread());
  EXPECT_TRUE(IsMainThread());

  bool otherIsMain = true;
  std::thread([&] { otherIsMain = IsMainThread(); }).join();
  EXPECT_FALSE(otherIsMain);
}

}  // namespace
}  // namespace threads
}  // namespace mevcore
