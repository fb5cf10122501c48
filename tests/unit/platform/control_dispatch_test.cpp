#include "platform/control_dispatch.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(ControlDispatch, EachKindReachesItsOwnHandlerAndUnknownKindsAreRefused) {
  ControlDispatch d;
  std::vector<std::string> seen;
  ASSERT_TRUE(d.add(7, [&](const ControlRequest& r) {
    seen.push_back("7:" + r.payload);
    return ControlReply{1, "seven"};
  }));
  ASSERT_TRUE(d.add(9, [&](const ControlRequest&) { return ControlReply{-4, {}}; }));
  EXPECT_FALSE(d.add(7, [](const ControlRequest&) { return ControlReply{}; }))
      << "a kind keeps its first handler";
  EXPECT_FALSE(d.add(11, nullptr));

  ControlReply r = d.handle({7, "abc"});
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.payload, "seven");
  EXPECT_EQ(d.handle({9, ""}).result, -4);
  EXPECT_EQ(d.handle({8, "x"}).result, kControlUnknownKind);
  EXPECT_EQ(seen, std::vector<std::string>{"7:abc"});

  d.remove(7);
  EXPECT_EQ(d.asServerHandler()({7, ""}).result, kControlUnknownKind);
  EXPECT_TRUE(d.add(7, [](const ControlRequest&) { return ControlReply{2, {}}; }));
  EXPECT_EQ(d.asServerHandler()({7, ""}).result, 2);
}

TEST(ControlDispatch, AHandlerMayRemoveItselfWhileItRuns) {
  ControlDispatch d;
  d.add(5, [&](const ControlRequest&) {
    d.remove(5);
    return ControlReply{3, {}};
  });
  EXPECT_EQ(d.handle({5, ""}).result, 3);
  EXPECT_FALSE(d.has(5));
}

}  // namespace
}  // namespace fw
