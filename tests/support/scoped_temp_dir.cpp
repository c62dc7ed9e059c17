#include "scoped_temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

ScopedTempDir::ScopedTempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/vorlane-test-XXXXXX";
    if (mkdtemp(templ.data()) == nullptr) std::abort();
    path_ = templ;
}

ScopedTempDir::~ScopedTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}
