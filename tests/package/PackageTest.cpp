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

// The package names of a relation field of a .deb, without their versions.
std::vector<std::string> PackageNames(const std::string& deb, const std::string& field) {
    std::vector<std::string> names;
    std::istringstream entries(RunShell("dpkg-deb -f " + deb + " " + field).out);
    for (std::string entry; std::getline(entries >> std::ws, entry, ',');)
        names.push_back(entry.substr(0, entry.find_first_of(" \n")));
    return names;
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
        // The menu starts Kolm as the user; the action remains for --as-root alone.
        "grep -qxF 'Exec=kolm' " + Quoted(root + "/share/applications/org.kolm.Kolm.desktop"),
        "grep -qF '(kolm --as-root, for machines without udisks2)</description>' " +
            Quoted(root + "/share/polkit-1/actions/org.kolm.Kolm.policy"),
        "grep -qxF '  <project_license>MIT</project_license>' " +
            Quoted(root + "/share/metainfo/org.kolm.Kolm.metainfo.xml"),
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

// python-debian reads the copyright file as Debian's machine-readable format,
// strictly: one paragraph gives every file to the Kolm developers under Expat,
// whose text is LICENSE's.
TEST(Package, TheCopyrightFileGivesEveryFileTheLicenseOfLICENSE) {
    const std::string reader = R"py(
import sys
from debian.copyright import Copyright
c = Copyright(open(sys.argv[1], encoding="utf-8"), strict=True)
print(c.header.upstream_name)
for p in c.all_files_paragraphs(): print(" ".join(p.files), "|", p.license.synopsis, "|", p.copyright)
for p in c.all_license_paragraphs(): print(p.license.synopsis); print(p.license.text)
)py";
    if (RunShell("/usr/bin/python3 -c 'import debian.copyright'").status != 0)
        GTEST_SKIP() << "python-debian is not installed (Debian package python3-debian)";
    const std::vector<char> bytes = ReadBytes(KOLM_SOURCE_DIR "/LICENSE");
    const std::string license(bytes.begin(), bytes.end());
    const std::string notice = "Copyright (c) 2026 the Kolm developers\n\n";
    ASSERT_EQ(license.substr(0, notice.size()), notice);
    EXPECT_EQ(
        Printed("/usr/bin/python3 -c " + Quoted(reader) + " " + kBuild + "/packaging/copyright") +
            "\n",
        "Kolm\n* | Expat | 2026 the Kolm developers\nExpat\n" + license.substr(notice.size()));
}

TEST(Package, DebianPackageInstallsStartsAndGoesAgain) {
    TempFolder output;
    const Launch pack = RunShell(KOLM_CPACK " --config " + kBuild + "/CPackConfig.cmake -B " +
                                 Quoted(output.Path()));
    ASSERT_EQ(pack.status, 0) << pack.out << pack.err;
    const AboutTexts about = AboutBoxTexts();
    ASSERT_FALSE(about.version.empty());
    const std::string deb = Quoted(output / ("kolm_" + about.version + "_amd64.deb"));
    // Each relation field names each of its packages once; the disk access through
    // udisks2 is recommended, pkexec only suggested for --as-root.
    const std::pair<const char*, std::vector<std::string>> relations[] = {
        {"Depends",
         {"libqt6widgets6", "libc6", "fonts-ipafont-gothic", "qt6-translations-l10n", "qt6-wayland",
          "liblzma5", "zlib1g", "libzstd1", "libbz2-1.0"}},
        {"Recommends", {"udisks2", "polkitd"}},
        {"Suggests", {"pkexec"}},
    };
    for (const auto& [field, packages] : relations) {
        const std::vector<std::string> names = PackageNames(deb, field);
        for (const std::string& package : packages)
            EXPECT_EQ(std::count(names.begin(), names.end(), package), 1)
                << field << ": " << package;
    }
    const std::vector<std::string> depends = PackageNames(deb, "Depends");
    EXPECT_EQ(std::count(depends.begin(), depends.end(), "pkexec"), 0);
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
