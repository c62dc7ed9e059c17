#include "cli/option_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ScanCase {
    const char* name;
    std::vector<std::string> args;  // argv[1..]
    std::string expected;  // letters, "[name]" for long options, "<arg>" after arguments, "." at -1
    std::string expected_stderr;
    int final_index;  // option index after the -1
};

/// Scans the whole command line, writing each result as text.
std::string scan_all(const std::vector<std::string>& args, int* final_index) {
    std::vector<std::string> storage{"vorlane"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(storage.size());

    OptionScanner scanner;
    std::string seen;
    for (int guard = 0; guard < 50; ++guard) {
        const int c = next_option(&scanner, argc, argv.data(), kOptionString, kLongOptions);
        if (c == -1) {
            seen += ".";
            break;
        }
        seen += c < kOptChannel ? std::string(1, static_cast<char>(c))
                                : std::string("[") + kLongOptions[c - kOptChannel].name + "]";
        if (scanner.argument != nullptr) seen += std::string("<") + scanner.argument + ">";
        if (c == '?' && scanner.error_letter != 0) seen += scanner.missing_argument ? "M" : "I";
    }
    *final_index = scanner.option_index;
    return seen;
}

TEST(OptionScanner, ScansCommandLinesLikeTheClassicScanner) {
    const ScanCase cases[] = {
        {"no arguments", {}, ".", "", 1},
        {"lone dash stops", {"-", "-v"}, ".", "", 1},
        {"non-option stops", {"file", "-v"}, ".", "", 1},
        {"double dash consumed", {"--", "-v"}, ".", "", 2},
        {"cluster", {"-fv", "-m"}, "fvm.", "", 3},
        {"argument in same word", {"-ifile.wav"}, "i<file.wav>.", "", 2},
        {"argument in next word", {"-i", "file.wav", "x"}, "i<file.wav>.", "", 3},
        {"cluster ending in argument letter", {"-vi", "a.wav"}, "vi<a.wav>.", "", 3},
        {"cluster with glued argument", {"-vifoo"}, "vi<foo>.", "", 2},
        {"argument that looks like an option", {"-i", "-v"}, "i<-v>.", "", 3},
        {"question mark is an option", {"-?"}, "?.", "", 2},
        {"illegal letter", {"-x", "-v"}, "?Iv.", "vorlane: illegal option -- x\n", 3},
        {"illegal letter inside cluster", {"-fxv"}, "f?Iv.", "vorlane: illegal option -- x\n", 2},
        {"colon is illegal", {"-:"}, "?I.", "vorlane: illegal option -- :\n", 2},
        {"missing argument", {"-i"}, "?M.", "vorlane: option requires an argument -- i\n", 2},
        {"missing argument after cluster",
         {"-vs"},
         "v?M.",
         "vorlane: option requires an argument -- s\n",
         2},
        {"t takes an argument", {"-t", "50", "-v"}, "t<50>v.", "", 4},
        {"all letters",
         {"-f", "-g3", "-h", "-m", "-o", "x", "-r", "-s1", "-v"},
         "fg<3>hmo<x>rs<1>v.",
         "",
         10},
        {"long option, value in next word", {"--channel", "2", "x"}, "[channel]<2>.", "", 3},
        {"long option, value after '='", {"--channel=2", "-v"}, "[channel]<2>v.", "", 3},
        {"long option, empty value", {"--plot="}, "[plot]<>.", "", 2},
        {"long value that looks like an option", {"--plot", "-v"}, "[plot]<-v>.", "", 3},
        {"long flags", {"--join", "--recover", "--analyze"}, "[join][recover][analyze].", "", 4},
        {"help and version", {"--help", "--version"}, "[help][version].", "", 3},
        {"long option without its value",
         {"--channel"},
         "?M.",
         "vorlane: option requires an argument --channel\n",
         2},
        {"flag given a value",
         {"--join=1", "-v"},
         "?Iv.",
         "vorlane: option takes no argument --join\n",
         3},
        {"unknown long option", {"--nope=3", "-v"}, "?Iv.", "vorlane: unknown option --nope\n", 3},
        {"names are case-sensitive", {"--Help"}, "?I.", "vorlane: unknown option --Help\n", 2},
        {"no prefix matching", {"--chan", "1"}, "?I.", "vorlane: unknown option --chan\n", 2},
        {"'=' third is letters",
         {"--=x"},
         "?I?I?I.",
         "vorlane: illegal option -- -\nvorlane: illegal option -- =\nvorlane: illegal option -- "
         "x\n",
         2},
    };
    for (const ScanCase& c : cases) {
        testing::internal::CaptureStderr();
        int final_index = 0;
        const std::string seen = scan_all(c.args, &final_index);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(seen, c.expected) << c.name;
        EXPECT_EQ(err, c.expected_stderr) << c.name;
        EXPECT_EQ(final_index, c.final_index) << c.name;
    }
}

}  // namespace
