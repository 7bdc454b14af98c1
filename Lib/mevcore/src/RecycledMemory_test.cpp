#include "mevcore/utility/RecycledMemory.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <boost/weak_ptr.hpp>

#include <string>

namespace mevcore {
namespace utility {
namespace {

TEST(RecycledMemory, CreateGivesZeroedOwnStorage) {
  const auto buffer = RecycledMemory::Create(16);
  ASSERT_EQ(buffer->Size(), 16u);
  ASSERT_NE(buffer->Data(), nullptr);
  for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(buffer->Data()[i], 0);
  buffer->Data()[15] = 7;
  buffer->Free();
  EXPECT_EQ(buffer->Size(), 0u);
  EXPECT_EQ(static_cast<const RecycledMemory&>(*buffer).Data(), nullptr);
}

TEST(RecycledMemory, RefersWithoutCopyAndKeepsOwnerAlive) {
  auto text = boost::make_shared<std::string>("{\"name\":\"A\"}");
  const boost::weak_ptr<std::string> watch = text;
  const char* bytes = text->data();
  const std::size_t count = text->size();

  auto buffer = RecycledMemory::Create(0);
  buffer->ReferTo(bytes, count, text);
  text.reset();

  ASSERT_FALSE(watch.expired());
  const RecycledMemory& view = *buffer;
  EXPECT_EQ(view.Data(), reinterpret_cast<const unsigned char*>(bytes));
  EXPECT_EQ(view.Size(), count);
  EXPECT_EQ(buffer->Data(), nullptr);  // outside bytes are read-only

  buffer.reset();
  EXPECT_TRUE(watch.expired());
}

TEST(RecycledMemory, FreeReleasesTheOwner) {
  auto owner = boost::make_shared<std::string>("bytes");
  const boost::weak_ptr<std::string> watch = owner;
  const auto buffer = RecycledMemory::Create(8);
  buffer->ReferTo(owner->data(), owner->size(), owner);
  owner.reset();
  buffer->Free();
  EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace utility
}  // namespace mevcore
