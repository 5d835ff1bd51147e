// The three programs' command lines as a user meets them: --help and --version on stdout with exit 0,
// a refused command line on stderr with exit 2, before anything else is tried.
#include <gtest/gtest.h>

#include "host/host_e2e_fixture.h"

namespace geolumen::host {
namespace {

TEST(ToolPrograms, HelpVersionAndRefusals) {
    struct Row {
        const char* program;
        std::vector<std::string> args;
        int exitCode;
        const char* out;  // expected in stdout ("" for nothing on stdout)
        const char* err;  // expected in stderr ("" for nothing on stderr)
    };
    const Row rows[] = {
        {GEOLUMEN_CLIENT_PATH, {"--help"}, 0, "usage: geolumen-client", ""},
        {GEOLUMEN_RADIO_PATH, {"--help"}, 0, "usage: geolumen-radio", ""},
        {GEOLUMEN_HOST_PATH, {"-h"}, 0, "usage: geolumen-host", ""},
        {GEOLUMEN_CLIENT_PATH, {"--version"}, 0, "geolumen-client " GEOLUMEN_VERSION, ""},
        {GEOLUMEN_RADIO_PATH, {"--version"}, 0, "geolumen-radio " GEOLUMEN_VERSION, ""},
        {GEOLUMEN_HOST_PATH, {"--version"}, 0, "geolumen-host " GEOLUMEN_VERSION, ""},
        {GEOLUMEN_CLIENT_PATH, {"--x"}, 2, "", "geolumen-client: error: unknown option --x\n"},
        {GEOLUMEN_CLIENT_PATH,
         {"--interval", "500"},
         2,
         "",
         "error: --interval takes 0, or 1000 and above\n"},
        {GEOLUMEN_CLIENT_PATH, {"--interval=500"}, 2, "", "error: --interval takes 0, or 1000 and above\n"},
        {GEOLUMEN_RADIO_PATH, {"--timeout=9999", "get"}, 2, "", "error: --timeout takes 0 to 3600 seconds\n"},
        {GEOLUMEN_HOST_PATH, {"--removal=sideways"}, 2, "", "error: --removal takes orderly or surprise\n"},
        {GEOLUMEN_HOST_PATH, {"--frobnicate"}, 2, "", "geolumen-host: error: unknown option --frobnicate\n"},
    };
    for (const Row& row : rows) {
        std::string legend = row.program;
        for (const auto& arg : row.args) legend += " " + arg;
        ChildProcess program(row.program, row.args);
        ASSERT_TRUE(program.Started()) << legend;
        EXPECT_EQ(program.Wait(kExitBound), row.exitCode) << legend;
        std::string out;
        for (const auto& line : program.Lines()) out += line + "\n";
        if (*row.out) {
            EXPECT_NE(out.find(row.out), std::string::npos) << legend << "\n" << out;
        } else {
            EXPECT_EQ(out, "") << legend;
        }
        if (*row.err) {
            EXPECT_NE(program.Errors().find(row.err), std::string::npos) << legend << "\n"
                                                                         << program.Errors();
        } else {
            EXPECT_EQ(program.Errors(), "") << legend;
        }
    }
}

}  // namespace
}  // namespace geolumen::host
