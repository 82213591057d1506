// Installing Kolm: the files cmake --install puts in place, checked by the
// desktop's own validators, and the Debian package, checked by lintian and by
// installing it, starting it and removing it again.
#include "platform/framework/Resources.h"
#include "resources/ProgramResources.h"
#include "resources/Resource.h"
#include "tests/launcher/Launch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <unistd.h>

namespace {

const std::string kBuild = Quoted(KOLM_BINARY_DIR);

// The about box's texts as the program's template has them: the version after
// "Kolm Version ", the mail address and the web page.
struct AboutTexts {
    std::string version, mail, web;
};

AboutTexts AboutBoxTexts() {
    AboutTexts texts;
    std::string reason;
    EXPECT_TRUE(LoadProgramResources(&reason)) << reason;
    const framework::DialogTemplate* about = framework::Resources().Dialog(IDD_ABOUTBOX);
    if (about == nullptr)
        return texts;
    const std::string prefix = "Kolm Version ";
    for (const framework::ControlTemplate& control : about->controls) {
        const std::string text = control.text.str();
        if (text.starts_with(prefix))
            texts.version = text.substr(prefix.size());
        else if (control.id == IDC_MAIL)
            texts.mail = text;
        else if (control.id == IDC_WEB)
            texts.web = text;
    }
    return texts;
}

// What a shell command prints, without the line end. The command is a group, so
// that its pipes keep their input.
std::string Printed(const std::string& command) {
    const Launch launch = RunShell("(" + command + ")");
    EXPECT_EQ(launch.status, 0) << command << "\n" << launch.err;
    std::string out = launch.out;
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

TEST(Package, InstallHonoursPrefixAndDestdirAndPassesTheValidators) {
    TempFolder stage;
    const std::string prefix = "/opt/kolm test";
    const Launch install =
        RunShell("DESTDIR=" + Quoted(stage.Path()) + " " KOLM_CMAKE " --install " + kBuild +
                 " --prefix " + Quoted(prefix));
    ASSERT_EQ(install.status, 0) << install.err;
    const std::string root = stage / prefix.substr(1);
    const std::pair<std::string, std::string> files[] = {
        {"bin/kolm", "ELF 64-bit"},
        {"share/applications/org.kolm.Kolm.desktop", "text"},
        {"share/metainfo/org.kolm.Kolm.metainfo.xml", "XML"},
        {"share/polkit-1/actions/org.kolm.Kolm.policy", "XML"},
        {"share/man/man1/kolm.1.gz", "gzip compressed data, max compression"},
        {"share/icons/hicolor/16x16/apps/org.kolm.Kolm.png", "PNG image data, 16 x 16"},
        {"share/icons/hicolor/48x48/apps/org.kolm.Kolm.png", "PNG image data, 48 x 48"},
        {"share/icons/hicolor/256x256/apps/org.kolm.Kolm.png", "PNG image data, 256 x 256"},
        {"share/doc/kolm/copyright", "text"},
    };
    for (const auto& [file, kind] : files) {
        const Launch described = RunShell("file -b " + Quoted(root + "/" + file));
        EXPECT_NE(described.out.find(kind), std::string::npos) << file << ": " << described.out;
    }
    const std::string checks[] = {
        "desktop-file-validate " + Quoted(root + "/share/applications/org.kolm.Kolm.desktop"),
        "appstreamcli validate --no-net " +
            Quoted(root + "/share/metainfo/org.kolm.Kolm.metainfo.xml"),
        "man --warnings -l " + Quoted(root + "/share/man/man1/kolm.1.gz"),
        // polkit lets pkexec start the program at its installed path only.
        "grep -qF '<annotate key=\"org.freedesktop.policykit.exec.path\">" + prefix +
            "/bin/kolm</annotate>' " +
            Quoted(root + "/share/polkit-1/actions/org.kolm.Kolm.policy"),
        "grep -qxF 'Exec=kolm --as-root' " +
            Quoted(root + "/share/applications/org.kolm.Kolm.desktop"),
        "grep -q '^Name\\[ja\\]=' " + Quoted(root + "/share/applications/org.kolm.Kolm.desktop") +
            " && grep -q '^Comment\\[ja\\]=' " +
            Quoted(root + "/share/applications/org.kolm.Kolm.desktop"),
        Quoted(root + "/bin/kolm") + " --help",
    };
    for (const std::string& check : checks) {
        const Launch launch = RunShell(check);
        EXPECT_EQ(launch.status, 0) << check << "\n" << launch.out << launch.err;
        EXPECT_EQ(launch.err.find("warning"), std::string::npos) << check << "\n" << launch.err;
    }
}

TEST(Package, DebianPackageInstallsStartsAndGoesAgain) {
    TempFolder output;
    const Launch pack = RunShell(KOLM_CPACK " --config " + kBuild + "/CPackConfig.cmake -B " +
                                 Quoted(output.Path()));
    ASSERT_EQ(pack.status, 0) << pack.out << pack.err;
    const AboutTexts about = AboutBoxTexts();
    ASSERT_FALSE(about.version.empty());
    const std::string deb = Quoted(output / ("kolm_" + about.version + "_amd64.deb"));
    const Launch depends = RunShell("dpkg-deb -f " + deb + " Depends");
    // The package names alone, without their versions.
    std::vector<std::string> names;
    std::istringstream entries(depends.out);
    for (std::string entry; std::getline(entries >> std::ws, entry, ',');)
        names.push_back(entry.substr(0, entry.find_first_of(" \n")));
    for (const char* package :
         {"libqt6widgets6", "libc6", "pkexec", "fonts-ipafont-gothic", "qt6-translations-l10n",
          "liblzma5", "zlib1g", "libzstd1", "libbz2-1.0"})
        EXPECT_EQ(std::count(names.begin(), names.end(), package), 1) << depends.out;
    EXPECT_EQ(Printed("dpkg-deb -f " + deb + " Homepage"), about.web);
    EXPECT_NE(Printed("dpkg-deb -f " + deb + " Maintainer").find("<" + about.mail + ">"),
              std::string::npos);
    const Launch lint = RunShell("lintian --no-tag-display-limit " + deb);
    EXPECT_EQ(lint.status, 0) << lint.out << lint.err;
    EXPECT_EQ(Count("\n" + lint.out, "\nE: "), 0u) << lint.out;

    if (geteuid() != 0)
        GTEST_SKIP() << "installing a package needs root";
    if (RunShell("dpkg-query -W -f='${Status}' kolm 2>/dev/null | grep -q 'install ok installed'")
            .status == 0)
        GTEST_SKIP() << "a kolm package is installed on this machine already; it is left alone";
    // One package test at a time on the machine: dpkg keeps one lock.
    const std::string locked = "flock /tmp/kolm-package.lock ";
    const Launch installed = RunShell(locked + "dpkg -i " + deb);
    ASSERT_EQ(installed.status, 0) << installed.out << installed.err;
    const Launch help = RunShell("/usr/bin/kolm --help");
    const Launch started = RunShell("env QT_QPA_PLATFORM=offscreen timeout 60 /usr/bin/kolm "
                                    "--startup-check");
    // The version as dpkg records it and as the installed files say it.
    const std::string metainfo = " /usr/share/metainfo/org.kolm.Kolm.metainfo.xml";
    const std::pair<const char*, std::string> versions[] = {
        {"dpkg", Printed("dpkg-query -W -f='${Version}' kolm")},
        {"man page", Printed(R"sh(zcat /usr/share/man/man1/kolm.1.gz |
                                  sed -n 's/^\.TH .* "Kolm \([^"]*\)".*/\1/p')sh")},
        {"changelog", Printed(R"sh(zcat /usr/share/doc/kolm/changelog.gz |
                                   sed -n '1s/^kolm (\(.*\)).*/\1/p')sh")},
        {"metainfo", Printed(R"sh(sed -n 's/.*<release version="\([^"]*\)".*/\1/p')sh" + metainfo)},
    };
    const std::string homepage =
        Printed(R"sh(sed -n 's|.*<url type="homepage">\(.*\)</url>.*|\1|p')sh" + metainfo);
    const Launch removed = RunShell(locked + "dpkg -r kolm");
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_NE(help.out.find("Usage: kolm"), std::string::npos);
    EXPECT_EQ(started.status, 0) << started.err;
    EXPECT_EQ(removed.status, 0) << removed.out << removed.err;
    for (const auto& [where, version] : versions)
        EXPECT_EQ(version, about.version) << where;
    EXPECT_EQ(homepage, about.web);
    EXPECT_FALSE(std::filesystem::exists("/usr/bin/kolm"));
    EXPECT_FALSE(std::filesystem::exists("/usr/share/polkit-1/actions/org.kolm.Kolm.policy"));
}

} // namespace
