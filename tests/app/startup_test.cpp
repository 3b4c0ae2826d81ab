#include "app/panel.h"
#include "app/startup.h"
#include "platform/fake/fakes.h"

#include <gtest/gtest.h>

namespace kurumin {
namespace {

TEST(Startup, SecondInstanceIsRefusedWithTheMessage) {
    fake::Desktop d;
    EXPECT_FALSE(refuseSecondInstance(d.instance, d.messageBox));
    d.instance.another = true;
    EXPECT_TRUE(refuseSecondInstance(d.instance, d.messageBox));
    ASSERT_EQ(d.messageBox.shown.size(), 1u);
    EXPECT_EQ(d.messageBox.shown[0].title, QStringLiteral("Kurumin Error_01 [二重起動の防止]"));
    EXPECT_EQ(d.messageBox.shown[0].text,
              QStringLiteral("このアプリケーションはすでに開かれています。\r\n"
                             "重複起動の防止のため、起動をキャンセルします。"));
}

} // namespace
} // namespace kurumin
