// A program without the main window's layout resource: constructing the
// window must fail with the system's exception, not crash or half-build.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/Unit1.h"

namespace corvanta::test {
namespace {

TEST(MainWindowWithoutLayout, ConstructionThrowsAndLeavesNoWindow) {
    try {
        TForm1 form(nullptr);
        FAIL() << "the window was built without its layout";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot load the main window layout");
    }
    EXPECT_EQ(FindWindowA("TForm1", nullptr), nullptr);
}

}  // namespace
}  // namespace corvanta::test
