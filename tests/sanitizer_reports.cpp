// In a sanitizer build the tests start engines, tools and hosts that may
// report a fault while the test only reads their output or kills them. Their
// reports go to files in a directory of this test process; a report found
// there when the tests end fails the run and is printed.
#ifdef JUX_SANITIZER_REPORT_DIR
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// Adds a log path to one runtime's options in the environment the children inherit.
void send_reports_to(const char* variable, const fs::path& file) {
    const char* old = std::getenv(variable);
    std::string options = old && *old ? std::string(old) + ":" : "";
    options += "log_path=" + file.string();
    setenv(variable, options.c_str(), 1);
}

bool is_finding(const std::string& report) {
    return report.find("ERROR: ") != std::string::npos || report.find("runtime error:") != std::string::npos;
}

class ChildSanitizerReports : public testing::Environment {
   public:
    void SetUp() override {
        directory_ = fs::path(JUX_SANITIZER_REPORT_DIR) / std::to_string(getpid());
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
        fs::create_directories(directory_);
        // log_path names a file prefix; each process appends its id.
        send_reports_to("ASAN_OPTIONS", directory_ / "report");
        send_reports_to("UBSAN_OPTIONS", directory_ / "report");
    }

    void TearDown() override {
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(directory_, error)) {
            std::ifstream in(entry.path());
            std::ostringstream text;
            text << in.rdbuf();
            // Warnings (an allocation refused, as the engine may ask for) are no findings.
            if (!is_finding(text.str())) continue;
            ADD_FAILURE() << "a process started by the tests reported a fault (" << entry.path().string()
                          << "):\n"
                          << text.str();
        }
        fs::remove_all(directory_, error);
    }

   private:
    fs::path directory_;
};

const testing::Environment* const child_reports =
    testing::AddGlobalTestEnvironment(new ChildSanitizerReports);

}  // namespace
#endif
