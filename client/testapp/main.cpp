// The framework's test client: qevo-client-testapp "<launch line>"
// Prints each step of its road as one UTF-8 line on stdout.

#include <cstdio>
#include <string>

#include "client/testapp/test_app.h"
#include "platform/text.h"

int main(int argc, char** argv) {
    testapp::TestApp app([](const std::string& line) {
        std::printf("client: %s\n", platform::GbkToUtf8(line).c_str());
        std::fflush(stdout);
    });
    app.SetCommandLine(argc > 1 ? platform::Utf8ToGbk(argv[argc - 1]) : std::string());
    if (!app.InitInstance()) {
        app.ExitInstance();
        return 1;
    }
    return app.Run();
}
