#include <gtest/gtest.h>

#include "base/broken_pipe.h"

// The test programs start as vireo does, so a server in a test meets a visitor who hangs up the way
// the real one does.
int main(int argc, char** argv)
{
    vireo::IgnoreBrokenPipes();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
