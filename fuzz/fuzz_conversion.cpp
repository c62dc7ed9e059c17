// The whole conversion on arbitrary bytes: the first bytes choose a set of
// real options, the rest is the input file. Each run happens in a scratch
// directory so that images and the raw output are really written; every file
// left behind is checked and removed before the next run.
//
// Option bytes: letters (bit 0 -f, 1 -m, 2 -r, 3 -v, 4 -g, 5 -s, 6 -t, 7 -o),
// long options (bit 0 --join, 1 --recover, 2 --channel, 3 --analyze, 4 --plot,
// 5 --report r.json, 6 --output-dir, 7 --take in.wav),
// then one argument byte for each of -g, -s, -t, -o, --channel, --output-dir
// and --plot that is on (--plot: bit 0 names the input itself, else plot.svg;
// --output-dir: one of kFolders).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/run_sequence.h"
#include "fuzz_common.h"

namespace {

/// The scratch area: `g_base` holds only the working directory `g_work`, so
/// anything written outside the working directory shows up in `g_base`.
char g_base[256], g_work[300];

/// Rates worth forcing with -s: the edges of edge mode's windows and more.
constexpr const char* kForcedRates[] = {"1",      "658",    "7999",   "8000",
                                        "22050",  "44100",  "48000",  "96000",
                                        "658552", "658553", "808000", "2147483647"};

/// Folders for --output-dir: new, new with parents, the input (not a
/// folder), the current directory.
constexpr const char* kFolders[] = {"out", "out/deep/er", "in.wav", "."};

/// The entries of a directory but "." and "..".
std::vector<std::string> entries(const char* path) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path))
        names.push_back(e.path().filename());
    return names;
}

std::string read_whole(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

/// An image is complete: blocks of leader (256 zeros, 128 in a chain), sync, a
/// name of 1..64 bytes with its zero (empty after the first block), address
/// and length, the data, its checksum and a marker. Every marker but the last
/// is the chain's 0xD8; without --join there is one block, ending in 0x00.
void check_image(const std::string& name, bool join) {
    const std::string bytes = read_whole(name);
    const auto* image = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t size = bytes.size();
    for (size_t at = 0, block = 0;; ++block) {
        const size_t leader = block == 0 ? 256 : 128, name_start = at + leader + 1;
        FUZZ_CHECK(size >= name_start);
        for (size_t i = 0; i < leader; ++i) FUZZ_CHECK(image[at + i] == 0);
        FUZZ_CHECK(image[at + leader] == 0xA5);
        for (at = name_start; at < size && image[at] != 0;) ++at;
        const size_t name_bytes = at + 1 - name_start;
        FUZZ_CHECK(block == 0 ? name_bytes >= 1 && name_bytes <= 64 : name_bytes == 1);
        FUZZ_CHECK(at + 5 <= size);
        const size_t length = image[at + 3] | (image[at + 4] << 8), data = at + 5;
        FUZZ_CHECK(data + length + 2 <= size);
        unsigned sum = 0;
        for (size_t i = 0; i < length; ++i) sum += image[data + i];
        FUZZ_CHECK(image[data + length] == static_cast<uint8_t>(sum));
        const uint8_t marker = image[data + length + 1];
        at = data + length + 2;
        if (at == size) {
            FUZZ_CHECK(join || marker == 0);
            break;
        }
        FUZZ_CHECK(join && marker == 0xD8);
    }
    // The file name starts with the "mm.ss.mmm_" time stamp and ends in ".htp".
    FUZZ_CHECK(name.size() > 4 && name.compare(name.size() - 4, 4, ".htp") == 0);
}

/// A picture is one whole SVG document of printable ASCII: whatever the
/// tape's names, nothing in it escapes its text elements.
void check_plot(const std::string& name) {
    const std::string svg = read_whole(name);
    FUZZ_CHECK(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ", 0) == 0);
    FUZZ_CHECK(svg.size() > 7 && svg.compare(svg.size() - 7, 7, "</svg>\n") == 0);
    for (char c : svg) FUZZ_CHECK(c == '\n' || (c >= 0x20 && c <= 0x7E));
    size_t open = 0, close = 0;
    for (size_t at = 0; (at = svg.find("<text", at)) != std::string::npos; ++at) ++open;
    for (size_t at = 0; (at = svg.find("</text>", at)) != std::string::npos; ++at) ++close;
    FUZZ_CHECK(open == close);
}

/// The record is one JSON object of printable ASCII: its strings closed, no
/// raw control byte in them, every bracket closed by its partner, nothing after.
void check_report(const std::string& name) {
    const std::string json = read_whole(name);
    std::string open;
    bool in_string = false;
    for (size_t at = 0; at < json.size(); ++at) {
        const char c = json[at];
        FUZZ_CHECK((c >= 0x20 && c <= 0x7E) || (c == '\n' && !in_string));
        if (in_string) {
            at += c == '\\';
            in_string = c != '"';
        } else if (c == '"') {
            in_string = true;
        } else if (c == '{' || c == '[') {
            open += c == '{' ? '}' : ']';
        } else if (c == '}' || c == ']') {
            FUZZ_CHECK(!open.empty() && open.back() == c);
            open.pop_back();
            FUZZ_CHECK(!open.empty() || at + 2 == json.size());
        }
    }
    FUZZ_CHECK(json.size() > 2 && json[0] == '{' && json.back() == '\n' && open.empty());
}

/// Checks every file the run left behind: the recording untouched (even when
/// -o or --plot names it), the raw output, the picture, and complete images,
/// in the --output-dir folder `folder` when it is not null or ".", and
/// nothing else in it. --analyze writes no image.
void check_outputs(const uint8_t* input, size_t input_size, bool join, bool analyze,
                   const char* folder) {
    const bool elsewhere = folder != nullptr && std::strcmp(folder, ".") != 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(".")) {
        const std::string path = e.path().lexically_relative(".");
        const auto status = e.symlink_status();
        if (std::filesystem::is_directory(status)) {
            // The folder and its parents, made only when --output-dir names them.
            FUZZ_CHECK(elsewhere && (std::string(folder) + "/").rfind(path + "/", 0) == 0);
            continue;
        }
        FUZZ_CHECK(std::filesystem::is_regular_file(status));
        if (path.find('/') != std::string::npos) {
            FUZZ_CHECK(!analyze && e.path().parent_path().lexically_relative(".") == folder);
            check_image(path, join);
            continue;
        }
        if (path == "in.wav") {
            FUZZ_CHECK(read_whole(path) == std::string(input, input + input_size));
        } else if (path == "r.json") {
            check_report(path);
        } else if (path == "plot.svg") {
            FUZZ_CHECK(analyze);
            check_plot(path);
        } else if (path != "raw.bin") {
            FUZZ_CHECK(!analyze && !elsewhere);
            check_image(path, join);
        }
    }
}

/// Turns the option bytes into arguments in `args`; returns the two flag bytes
/// (letters in the low byte) and, in bit 16, whether --plot names the input;
/// sets `used` to the bytes taken and `folder` to --output-dir's or null.
unsigned build_arguments(const uint8_t* data, size_t size, std::vector<std::string>* args,
                         size_t* used, const char** folder) {
    auto next = [&]() -> uint8_t { return *used < size ? data[(*used)++] : 0; };
    const uint8_t letters = next(), longs = next();
    *args = {"vorlane"};
    for (int bit = 0; bit < 4; ++bit)
        if (letters & (1 << bit)) args->push_back(std::string("-") + "fmrv"[bit]);
    if (letters & 0x10) args->insert(args->end(), {"-g", std::to_string(next() % 53)});
    if (letters & 0x20)
        args->insert(args->end(), {"-s", kForcedRates[next() % std::size(kForcedRates)]});
    if (letters & 0x40) args->insert(args->end(), {"-t", std::to_string(next() - 2)});
    // -o may name the input itself, before or after -i.
    const uint8_t raw = (letters & 0x80) ? next() : 0;
    const size_t input_at = args->size();
    args->insert(args->end(), {"-i", "in.wav"});
    if (letters & 0x80)
        args->insert(args->begin() + (raw & 0x02 ? input_at : args->size()),
                     {"-o", raw & 0x01 ? "in.wav" : "raw.bin"});
    if (longs & 0x01) args->push_back("--join");
    if (longs & 0x02) args->push_back("--recover");
    if (longs & 0x04) args->push_back("--channel=" + std::to_string(next() % 4));
    if (longs & 0x08) args->push_back("--analyze");
    *folder = (longs & 0x40) ? kFolders[next() % std::size(kFolders)] : nullptr;
    if (*folder != nullptr) args->insert(args->end(), {"--output-dir", *folder});
    if (longs & 0x20) args->insert(args->end(), {"--report", "r.json"});
    if (longs & 0x80) args->insert(args->end(), {"--take", "in.wav"});
    const bool plot_input = (longs & 0x10) && (next() & 0x01);
    if (longs & 0x10) args->insert(args->end(), {"--plot", plot_input ? "in.wav" : "plot.svg"});
    return letters | longs << 8 | (plot_input ? 1u << 16 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_silence_stdout();
    const char* tmp = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::snprintf(g_base, sizeof g_base, "%s/vorlane-fuzz-XXXXXX", tmp);
    if (mkdtemp(g_base) == nullptr) std::abort();
    std::snprintf(g_work, sizeof g_work, "%s/work", g_base);
    if (mkdir(g_work, 0700) != 0 || chdir(g_work) != 0) std::abort();
    std::atexit([] { std::filesystem::remove_all(g_base); });  // when the fuzzer ends normally
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args;
    size_t used = 0;
    const char* folder = nullptr;
    const unsigned flags = build_arguments(data, size, &args, &used, &folder);
    const uint8_t* input = data + used;
    const size_t input_size = size - used;
    std::ofstream("in.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(input), static_cast<std::streamsize>(input_size));

    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int code = run(static_cast<int>(argv.size()) - 1, argv.data());
    std::fflush(stdout);
    // Writes cannot fail here, so the only outcomes are a conversion, a
    // refused file, a file without samples, or a parameter refused once the
    // header is read: edge mode at its rate (--recover drops -m, --analyze
    // only notes it), a channel, or a file named as the output folder. A
    // picture over the input is refused, and --take without --recover.
    const bool edge_mode = flags & 0x02, join = flags & 0x100, recover = flags & 0x200;
    const bool analyze = flags & 0x800;
    const bool plot_over_input = analyze && (flags & 0x10000);
    const bool not_folder = folder != nullptr && !analyze && std::strcmp(folder, "in.wav") == 0;
    const bool take_alone = (flags & 0x8000) && !recover;  // refused before the folder is made
    const bool parameter =
        (edge_mode && !recover && !analyze) || (flags & 0x400) || not_folder || take_alone;
    FUZZ_CHECK(code == 0 || code == 5 || code == 6 || (code == 2 && parameter) ||
               (code == 1 && plot_over_input));
    check_outputs(input, input_size, join && !recover && !analyze, analyze, folder);
    // A folder named for the images is made before anything is decoded.
    if (folder != nullptr && !analyze && !not_folder && !take_alone)
        FUZZ_CHECK(std::filesystem::is_directory(folder));
    // The record is written whenever the run got past its options to the
    // input; only a parameter error may come before that.
    if ((flags & 0x2000) && code != 2) FUZZ_CHECK(std::filesystem::exists("r.json"));
    FUZZ_CHECK(entries(g_base) == std::vector<std::string>{"work"});
    for (const std::string& name : entries(".")) FUZZ_CHECK(std::filesystem::remove_all(name) > 0);
    return 0;
}
