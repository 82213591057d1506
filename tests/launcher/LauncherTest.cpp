// The kolm program's own checks, run as a user runs it: a command line, its
// messages and its exit status.
#include "tests/launcher/Launch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

const std::string kKolm = Quoted(KOLM_BINARY_DIR "/kolm");
// Without a display a launcher that got as far as the window would stop with
// status 1: a refusal with status 2 shows that it stopped before.
const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
const std::string kAsNobody = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";

class Launcher : public ::testing::Test {
protected:
    void SetUp() override {
        chmod(m_folder.Path().c_str(), 0755);
        WriteBytes(m_image, std::vector<char>(64 * 1024));
    }

    TempFolder m_folder;
    std::string m_image = m_folder / "card.img";
};

TEST_F(Launcher, RefusesBadStandInFilesBeforeAnyWindow) {
    const std::string unreadable = m_folder / "others.img";
    WriteBytes(unreadable, std::vector<char>(512));
    chmod(unreadable.c_str(), 0600);
    const std::string deviceLink = m_folder / "link-to-device";
    std::filesystem::create_symlink("/dev/null", deviceLink);
    std::string many;
    for (int i = 0; i < 25; ++i) {
        const std::string image = m_folder / ("many" + std::to_string(i) + ".img");
        WriteBytes(image, std::vector<char>(512));
        many += " --drive " + Quoted(image);
    }
    const std::pair<std::string, std::string> cases[] = {
        {"--drive ''", "needs a file name"},
        {"--drive", "unknown or incomplete argument: --drive"},
        {"--bogus", "unknown or incomplete argument: --bogus"},
        {"--drive " + Quoted(m_folder / "absent.img"), "No such file or directory"},
        {"--drive " + Quoted(m_folder.Path()), "is a folder"},
        {"--drive /dev/null", "is a device"},
        {"--drive " + Quoted(deviceLink), "is a device"},
        {"--drive " + Quoted(std::string(5000, 'x')), "File name too long"},
        {"--drive " + Quoted(m_image) + " --drive " + Quoted(m_image), "is given twice"},
        {many, "too many --drive files"},
    };
    for (const auto& [arguments, message] : cases) {
        SCOPED_TRACE(arguments.substr(0, 200));
        const Launch launch = RunShell(kNoDisplay + kKolm + " " + arguments);
        EXPECT_EQ(launch.status, 2);
        EXPECT_NE(launch.err.find(message), std::string::npos) << launch.err;
    }
    if (geteuid() != 0)
        GTEST_SKIP() << "reading as another user needs root";
    const Launch launch =
        RunShell(kNoDisplay + kAsNobody + kKolm + " --drive " + Quoted(unreadable));
    EXPECT_EQ(launch.status, 2);
    EXPECT_NE(launch.err.find("cannot be read: Permission denied"), std::string::npos)
        << launch.err;
}

TEST_F(Launcher, ListNamesOddButValidStandInFiles) {
    const std::string spaced = m_folder / "my card.img";
    const std::string japanese = m_folder / "カード画像.img";
    const std::string link = m_folder / "link.img";
    for (const std::string& path : {spaced, japanese})
        WriteBytes(path, std::vector<char>(16384));
    std::filesystem::create_symlink(m_image, link);
    const Launch launch = RunShell(kNoDisplay + kKolm + " --list --drive " + Quoted(spaced) +
                                   " --drive " + Quoted(japanese) + " --drive " + Quoted(link));
    EXPECT_EQ(launch.status, 0) << launch.err;
    for (const std::string& line : {"stand-in file " + spaced + ", 16.0 KiB, removable\n",
                                    "stand-in file " + japanese + ", 16.0 KiB, removable\n",
                                    "stand-in file " + link + ", 64.0 KiB, removable\n"})
        EXPECT_EQ(Count(launch.out, line), 1u) << launch.out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

// The entries a --list names: its lines that begin with one, up to the ":)".
std::vector<std::string> ListedEntries(const std::string& listing) {
    std::vector<std::string> entries;
    for (const std::string& line : Lines(listing)) {
        const std::size_t end = line.find(":)");
        if (line.rfind("      ", 0) != 0 && line.rfind("(", 0) != 0 && end != std::string::npos)
            entries.push_back(line.substr(0, end + 2));
    }
    return entries;
}

// The window prints its drive combo box at the startup check: --list must name
// the same entries, in the same order, and say why each " * " entry names no disk.
TEST_F(Launcher, ListNamesTheEntriesTheWindowShowsAndWhyOneNamesNoDisk) {
    const std::pair<std::string, std::string> users[] = {{"this user", ""}, {"nobody", kAsNobody}};
    for (const auto& [user, prefix] : users) {
        SCOPED_TRACE(user);
        if (!prefix.empty() && geteuid() != 0)
            GTEST_SKIP() << "becoming another user needs root";
        const std::string drive = " --drive " + Quoted(m_image);
        const std::string listing = kNoDisplay + prefix + kKolm + " --list" + drive;
        // Other tests attach and detach loop devices meanwhile: the window is
        // compared with a list that stood unchanged from before it until after it.
        Launch list = RunShell(listing);
        Launch window;
        for (int attempt = 0; attempt < 5; ++attempt) {
            window = RunShell(prefix + "env QT_QPA_PLATFORM=offscreen HOME=/tmp " + kKolm +
                              " --startup-check" + drive);
            const Launch after = RunShell(listing);
            if (after.out == list.out)
                break;
            list = after;
        }
        ASSERT_EQ(list.status, 0) << list.err;
        ASSERT_EQ(window.status, 0) << window.err;
        const std::vector<std::string> entries = ListedEntries(list.out);
        EXPECT_EQ(entries, Lines(window.out)) << list.out;
        ASSERT_FALSE(entries.empty());
        EXPECT_NE(entries.back().rfind(" * ", 0), 0u) << "the stand-in names its disk";
        EXPECT_EQ(Count(list.out, "stand-in file " + m_image + ", 64.0 KiB, removable\n"), 1u);
        // Each " * " entry is followed by the volume's line and the reason.
        const std::vector<std::string> lines = Lines(list.out);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind(" * - (", 0) != 0)
                continue;
            ASSERT_LT(i + 1, lines.size());
            const std::string reason = "      names no disk: ";
            EXPECT_EQ(lines[i + 1].rfind(reason, 0), 0u) << lines[i + 1];
            EXPECT_GT(lines[i + 1].size(), reason.size());
            // Without root the volume of a disk cannot be opened at all.
            if (!prefix.empty() && lines[i].find(", on disk ") != std::string::npos) {
                EXPECT_EQ(lines[i + 1], reason + "Permission denied");
            }
        }
    }
}

TEST_F(Launcher, WithoutDisplayOrRootSaysSoPlainly) {
    const Launch noDisplay = RunShell(kNoDisplay + kKolm + " --drive " + Quoted(m_image));
    EXPECT_EQ(noDisplay.status, 1);
    EXPECT_NE(noDisplay.err.find("no display"), std::string::npos) << noDisplay.err;
    const Launch byPkexec = RunShell(kNoDisplay + "PKEXEC_UID=1000 " + kKolm);
    EXPECT_EQ(byPkexec.status, 1);
    EXPECT_NE(byPkexec.err.find("org.kolm.Kolm.pkexec"), std::string::npos) << byPkexec.err;

    // A DISPLAY at which no X server runs: neither its socket nor its lock file.
    int number = 99;
    while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
           std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock"))
        ++number;
    const std::string display = ":" + std::to_string(number);
    const Launch unreachable =
        RunShell(kNoDisplay + "DISPLAY=" + display + " " + kKolm + " --drive " + Quoted(m_image));
    EXPECT_EQ(unreachable.status, 1);
    EXPECT_NE(unreachable.err.find("the display " + display + " (DISPLAY) cannot be reached"),
              std::string::npos)
        << unreachable.err;
    EXPECT_EQ(unreachable.err.find("einstall"), std::string::npos) << unreachable.err;
    EXPECT_EQ(Count(unreachable.err, "\n"), 1u) << "one message, not Qt's too: " << unreachable.err;

    if (geteuid() != 0)
        GTEST_SKIP() << "becoming another user needs root";
    const std::string user = kAsNobody + "env QT_QPA_PLATFORM=offscreen HOME=/tmp ";
    // No udisks2 on the bus: the window opens all the same, and says once why the
    // disks will not.
    const Launch plain = RunShell(user + "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent " + kKolm +
                                  " --startup-check --drive " + Quoted(m_image));
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(Count(plain.err, "udisks2 does not answer"), 1u) << plain.err;
    EXPECT_NE(plain.err.find("kolm --as-root"), std::string::npos) << plain.err;

    // No polkit here to ask for the password, or no pkexec at all: a clear refusal,
    // and no window.
    const std::pair<std::string, std::string> refusals[] = {
        {"", "pkexec could not ask for the password"},
        {"PATH=/nonexistent ", "pkexec cannot be started"},
    };
    for (const auto& [environment, message] : refusals) {
        const Launch asRoot =
            RunShell(user + environment + kKolm + " --as-root --drive " + Quoted(m_image));
        EXPECT_EQ(asRoot.status, 1);
        EXPECT_NE(asRoot.err.find(message), std::string::npos) << asRoot.err;
    }
}

TEST_F(Launcher, MissingFontsAreNamedAndTheWindowStillOpens) {
    const std::string config = m_folder / "fonts.conf";
    WriteText(config, "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
    const Launch launch =
        RunShell("env QT_QPA_PLATFORM=offscreen FONTCONFIG_FILE=" + Quoted(config) + " " + kKolm +
                 " --startup-check");
    EXPECT_EQ(launch.status, 0) << launch.err;
    EXPECT_EQ(Count(launch.err, "IPAGothic, IPAPGothic are not installed"), 1u) << launch.err;

    // Installed fonts are found on any desktop, a Japanese one listing them by
    // their Japanese names included.
    for (const char* locale : {"C", "de_DE.UTF-8", "ja_JP.UTF-8"}) {
        const Launch found = RunShell(std::string("env QT_QPA_PLATFORM=offscreen LC_ALL=") +
                                      locale + " " + kKolm + " --startup-check");
        EXPECT_EQ(found.status, 0) << found.err;
        EXPECT_EQ(found.err.find("not installed"), std::string::npos)
            << locale << ": " << found.err;
    }
}

// The launcher's own sentences and its drive listing are Japanese on a Japanese
// desktop and English on any other, and the C library's error texts inside them
// follow the desktop too.
TEST_F(Launcher, SpeaksTheDesktopsLanguage) {
    struct Case {
        const char* environment;
        const char* missing;
        const char* folder;
        const char* unknown;
        const char* noDisplay;
        const char* usage;
        const char* standIn; // what --list says a stand-in file is
        const char* removable;
    };
    const Case cases[] = {
        {"LC_ALL=C", "No such file or directory", "is a folder, not an image file",
         "unknown or incomplete argument: --bogus", "no display to open the window on",
         "Usage: kolm", "stand-in file ", "removable"},
        {"LC_ALL=de_DE.UTF-8", "Datei oder Verzeichnis nicht gefunden",
         "is a folder, not an image file", "unknown or incomplete argument: --bogus",
         "no display to open the window on", "Usage: kolm", "stand-in file ", "removable"},
        {"-u LC_ALL -u LC_MESSAGES LANG=ja_JP.UTF-8",
         "そのようなファイルやディレクトリはありません",
         "フォルダです。イメージファイルではありません",
         "知らない引数か、足りない引数です: --bogus", "ウィンドウを開くディスプレイがありません",
         "使い方: kolm", "代わりのファイル ", "リムーバブル"},
    };
    const std::string absent = m_folder / "無い表示.img";
    for (const Case& test : cases) {
        SCOPED_TRACE(test.environment);
        const std::string kolm = kNoDisplay + test.environment + " " + kKolm;
        const std::pair<std::string, std::string> runs[] = {
            {" --drive " + Quoted(absent), "--drive " + absent + ": " + test.missing},
            {" --drive " + Quoted(m_folder.Path()), test.folder},
            {" --bogus", test.unknown},
            {" --bogus", test.usage},
            {" --drive " + Quoted(m_image), test.noDisplay},
            {" --list --drive " + Quoted(m_image),
             test.standIn + m_image + ", 64.0 KiB, " + test.removable + "\n"},
        };
        for (const auto& [arguments, message] : runs) {
            const Launch launch = RunShell(kolm + arguments);
            const std::string said = launch.err + launch.out;
            EXPECT_NE(said.find(message), std::string::npos) << arguments << said;
        }
    }
}

TEST_F(Launcher, HelpNamesEveryOption) {
    const Launch launch = RunShell(kNoDisplay + kKolm + " --help");
    EXPECT_EQ(launch.status, 0);
    for (const char* option : {"--drive FILE", "--list", "--as-root", "--startup-check", "--help"})
        EXPECT_NE(launch.out.find(option), std::string::npos) << option;
}

} // namespace
