// fa2: makes, lists, extracts and checks FA2 packages.
#include "tools/fa2/commands.h"
#include "tools/fa2/diagnostics.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    CLI::App app("Make, list, extract and check FA2 packages.", "fa2");
    app.require_subcommand(1);
    AddCreateCommand(app);
    AddListCommand(app);
    AddExtractCommand(app);
    AddTestCommand(app);
    AddSetupCheckCommand(app);
    AddPlanCommand(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::RuntimeError& error) {
        // A command that has already reported its problems.
        return error.get_exit_code();
    } catch (const CLI::Error& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : 2;
    } catch (const ToolError& error) {
        PrintProblem(error.file(), error.what());
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "fa2: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
