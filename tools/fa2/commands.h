// The fa2 commands; main.cpp registers each with one line.
#pragma once

namespace CLI {
class App;
}

void AddCreateCommand(CLI::App& app);
void AddListCommand(CLI::App& app);
void AddExtractCommand(CLI::App& app);
void AddTestCommand(CLI::App& app);
void AddSetupCheckCommand(CLI::App& app);
void AddPlanCommand(CLI::App& app);
