// Every test program takes its locale from the environment, as the program does
// when Qt starts: ctest runs some of them as a Japanese desktop would.
#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
