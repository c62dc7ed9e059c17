#include "process_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

/// Everything written to an anonymous file since it was made.
std::string drain(int fd) {
    std::string text;
    char buf[65536];
    for (ssize_t n; (n = pread(fd, buf, sizeof buf, static_cast<off_t>(text.size()))) > 0;)
        text.append(buf, static_cast<size_t>(n));
    close(fd);
    return text;
}

}  // namespace

ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const std::string& working_dir) {
    // Anonymous files rather than pipes: the child can write any amount
    // without the parent reading while it runs.
    const int out = memfd_create("out", 0), err = memfd_create("err", 0);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null_fd = open("/dev/null", O_RDONLY);
        if (chdir(working_dir.c_str()) != 0 || dup2(null_fd, 0) < 0 || dup2(out, 1) < 0 ||
            dup2(err, 2) < 0)
            _exit(127);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    ProcessResult r;
    if (pid > 0 && waitpid(pid, &status, 0) == pid)
        r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = drain(out);
    r.err = drain(err);
    return r;
}

InProcessRun run_in_scratch_dir(const std::string& wav, const std::function<void()>& body) {
    ScopedTempDir dir;
    const std::filesystem::path cwd = std::filesystem::current_path();
    InProcessRun r;
    if (!write_file(dir.file("in.wav"), wav) || chdir(dir.path().c_str()) != 0) {
        ADD_FAILURE() << "no scratch directory " << dir.path();
        return r;
    }
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    body();
    r.out = testing::internal::GetCapturedStdout();
    r.err = testing::internal::GetCapturedStderr();
    for (const std::string& name : list_dir(dir.path()))
        if (name != "in.wav") r.files.emplace_back(name, read_file(dir.file(name)));
    std::filesystem::current_path(cwd);
    return r;
}

bool write_file(const std::string& path, const std::string& bytes) {
    return static_cast<bool>(std::ofstream(path, std::ios::binary) << bytes);
}

std::string read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::vector<std::string> list_dir(const std::string& path) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::pair<std::string, std::string>> htp_images(const std::string& path) {
    std::vector<std::pair<std::string, std::string>> images;
    for (const std::string& name : list_dir(path)) {
        if (name.size() > 4 && name.substr(name.size() - 4) == ".htp")
            images.emplace_back(name, read_file(path + "/" + name));
    }
    return images;
}

ScopedTempDir::ScopedTempDir() {
    const char* base = std::getenv("TMPDIR");
    path_ = std::string(base && *base ? base : "/tmp") + "/vorlane-test-XXXXXX";
    if (mkdtemp(path_.data()) == nullptr) std::abort();
}

ScopedTempDir::~ScopedTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string test_data(const std::string& name) {
    return read_file(std::string(VORLANE_TEST_DATA) + "/" + name);
}

bool has_new_file_mode(const std::string& path) {
    struct stat st;
    const mode_t mask = umask(0);
    umask(mask);
    return stat(path.c_str(), &st) == 0 && (st.st_mode & 0777) == (0666 & ~mask);
}
