#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // With a display the program under test would open its windows; these
    // tests check its console run. Tests that want a display set one up.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
