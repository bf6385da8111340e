#include "platform/software.h"
#include "support/world.h"
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quillon;
using quillon::test::TestWorld;

namespace {

std::vector<std::string> WalkAll() {
    std::vector<std::string> found;
    WalkSoftwareReferences([&](const std::string& folder) {
        found.push_back(folder);
        return true;
    });
    return found;
}

} // namespace

TEST(AcceptReference, Cases) {
    const std::vector<std::pair<const char*, std::optional<std::string>>> cases = {
        {"/usr/bin/gimp", "/usr/bin/"},
        {"/usr/share/doc/", "/usr/share/doc/"},
        {"/abc", "/"}, // long enough; only its root folder remains
        {"/ab", std::nullopt},
        {"", std::nullopt},
        {"usr/bin/gimp", std::nullopt},
        {"gimp", std::nullopt},
        {"/opt/a:b/run", std::nullopt},
        {"/opt/a;b/run", std::nullopt},
        {"/media/usb/app/run", std::nullopt},
        {"/media", std::nullopt},
        {"/mnt/c/tools/run", std::nullopt},
        {"/run/media/ann/STICK/run", std::nullopt},
        {"/mediaplayer/bin/run", "/mediaplayer/bin/"},
        {"/mntx/run", "/mntx/"},
        {"/run/user/1000/app", "/run/user/1000/"},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(AcceptReference(text), expected);
    }
}

TEST(SoftwareRoots, ComeFromTheEnvironment) {
    TestWorld world;
    EXPECT_EQ(DpkgInfoFolder(), world.path("dpkg"));
    world.unsetEnv("QUILLON_DPKG_INFO_DIR");
    EXPECT_EQ(DpkgInfoFolder(), "/var/lib/dpkg/info");

    world.setEnv("XDG_DATA_DIRS", world.path("share") + ":relative::/usr/share/");
    EXPECT_EQ(ApplicationFolders(), (std::vector<std::string>{world.path("data/applications"),
                                                              world.path("share/applications"),
                                                              "/usr/share/applications"}));
    world.unsetEnv("XDG_DATA_DIRS");
    world.unsetEnv("XDG_DATA_HOME");
    EXPECT_EQ(
        ApplicationFolders(),
        (std::vector<std::string>{world.path("home/.local/share/applications"),
                                  "/usr/local/share/applications", "/usr/share/applications"}));
}

TEST(WalkSoftwareReferences, PackageListsThenDesktopEntriesEachFolderOnce) {
    TestWorld world;
    auto P = [&](const std::string& relative) { return world.path(relative); };
    for (const char* folder :
         {"opt/alpha/bin", "opt/caf\xff", "opt/beta", "home-app/bin", "desk/my app", "args", "work",
          "kde/bin", "ignored/bin", "spaced/bin"})
        world.makeFolder(folder);
    world.makeFile("plainfile");

    // "B.list" sorts before "a.list" byte-wise (not so in a language-aware order).
    world.writeFile("dpkg/B.list", "/.\n" + P("opt/alpha/bin/tool") + "\r\n" + "/media/usb/tool\n" +
                                       P("nowhere/tool") + "\n" + P("plainfile") + "/x\n" +
                                       P("opt/caf\xff/lib.so") + "\n");
    world.writeFile("dpkg/a.list", P("opt/alpha/bin/other") + "\n" + std::string(200000, 'x') +
                                       "\n" + P("opt/beta/file")); // last line has no newline
    world.writeFile("dpkg/status.txt", P("ignored/bin/x") + "\n");

    world.writeFile("data/applications/h.desktop", "[Desktop Entry]\nExec=" + P("home-app/bin/h") +
                                                       " --config " + P("args/conf") + " %U\n");
    world.writeFile("share/applications/a.desktop", "[Desktop Entry]\r\nName=A\r\n"
                                                    "Exec=\"" +
                                                        P("desk/my app/run") + "\" --open " +
                                                        P("args/file") +
                                                        "\r\n"
                                                        "Path=" +
                                                        P("work") + "/\r\n");
    world.writeFile("share/applications/kde/k.desktop",
                    "[Desktop Entry]\nTryExec=" + P("kde/bin/k") +
                        "\n"
                        "Exec=" +
                        P("opt/alpha/bin/tool") + " -x\n");
    world.writeFile("share/applications/readme.txt", "Exec=" + P("ignored/bin/x") + "\n");
    world.writeFile("share/applications/z.desktop",
                    "[Desktop Entry]\n# Exec=" + P("ignored/bin/x") +
                        "\n"
                        "Exec=relative-command\n"
                        "Exec = " +
                        P("spaced/bin/s") + "\n");

    const std::vector<std::string> expected = {
        P("opt/alpha/bin/"), P("opt/caf\xff/"), P("opt/beta/"), P("home-app/bin/"),
        P("desk/my app/"),   P("work/"),        P("kde/bin/"),  P("spaced/bin/"),
    };
    EXPECT_EQ(WalkAll(), expected);
    // QTemporaryDir cannot remove a name that is not UTF-8.
    rmdir(P("opt/caf\xff").c_str());
}

TEST(WalkSoftwareReferences, StopsWhenAskedAndCopesWithoutPackageLists) {
    TestWorld world;
    world.makeFolder("one");
    world.makeFolder("two");
    world.writeFile("share/applications/a.desktop",
                    "Exec=" + world.path("one/a") + "\nExec=" + world.path("two/b") + "\n");
    world.setEnv("QUILLON_DPKG_INFO_DIR", world.path("no-such-folder"));

    EXPECT_EQ(WalkAll(), (std::vector<std::string>{world.path("one/"), world.path("two/")}));

    // A stop inside the package lists also skips the desktop entries.
    world.writeFile("dpkg/a.list", world.path("one/x") + "\n" + world.path("two/y") + "\n");
    world.setEnv("QUILLON_DPKG_INFO_DIR", world.path("dpkg"));
    std::vector<std::string> seen;
    WalkSoftwareReferences([&](const std::string& folder) {
        seen.push_back(folder);
        return false;
    });
    EXPECT_EQ(seen, (std::vector<std::string>{world.path("one/")}));
}
