// In a sanitizer build, reports of the engines and tools the tests start go to files in a directory of this
// process; a report found there when the tests end fails the run and is printed.
#ifdef JUX_SANITIZER_REPORT_DIR
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support.h"

namespace {

namespace fs = std::filesystem;

class ChildSanitizerReports : public testing::Environment {
   public:
    void SetUp() override {
        fs::remove_all(directory_);
        fs::create_directories(directory_);
        // log_path names a file prefix; each process appends its id.
        for (const char* variable : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
            const char* old = std::getenv(variable);
            const std::string options =
                (old && *old ? std::string(old) + ":" : "") + "log_path=" + (directory_ / "report").string();
            setenv(variable, options.c_str(), 1);
        }
    }
    void TearDown() override {
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(directory_, error)) {
            const std::string text = read_file(entry.path());
            // Warnings (an allocation refused, as the engine may ask for) are no findings.
            if (text.find("ERROR: ") != std::string::npos || text.find("runtime error:") != std::string::npos)
                ADD_FAILURE() << "a process started by the tests reported a fault (" << entry.path().string()
                              << "):\n"
                              << text;
        }
        fs::remove_all(directory_, error);
    }

   private:
    const fs::path directory_ = fs::path(JUX_SANITIZER_REPORT_DIR) / std::to_string(getpid());
};

const testing::Environment* const child_reports =
    testing::AddGlobalTestEnvironment(new ChildSanitizerReports);

}  // namespace
#endif
