// Every test program runs in the locale its command line names ("--locale=ja_JP.UTF-8",
// as ctest registers some of them once more, as a Japanese or a German desktop
// would), or in the C locale, whatever the shell that started it has. The
// environment says it too, for the program itself and for what it starts.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string_view>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const char* locale = "C";
    constexpr std::string_view kOption = "--locale=";
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]).starts_with(kOption))
            locale = argv[i] + kOption.size();
    unsetenv("LANGUAGE");
    setenv("LANG", locale, 1);
    setenv("LC_ALL", locale, 1);
    std::setlocale(LC_ALL, "");
    return RUN_ALL_TESTS();
}
