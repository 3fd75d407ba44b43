#pragma once

#include "cli/CommandLine.h"

#include <filesystem>
#include <memory>
#include <string>

namespace tarn {

class CommandConsole;
class Project;
class Studio;

// The shell's status for a run ended by SIGINT.
inline constexpr int kInterruptedStatus = 130;

// The --backend option of the commands that play.
void AddBackendOption(CommandParser& parser, std::string& backend);
// --beats: a finite number above 0, refused with a sentence otherwise.
void AddBeatsOption(CommandParser& parser, double& beats, const char* description);

// --strict (a load warning is an error) and --quiet (no progress line).
void AddStrictOption(CommandParser& parser, bool& strict);
void AddLoadOptions(CommandParser& parser, bool& strict, bool& quiet);

// Loads a project for a command that plays or renders it. Warning lines of
// the load make it fail when strict (one error line says so); otherwise the
// command goes on and ReportLoadWarnings tells their count (warnings) at
// its end. Null after an error line.
std::unique_ptr<Project> LoadForCommand(Studio& studio, CommandConsole& console,
                                        const std::filesystem::path& file, bool strict,
                                        int& warnings);
// True, after an error line, when strict and the load gave warnings.
bool StrictRefuses(bool strict, int warnings, const std::filesystem::path& file);
void ReportLoadWarnings(int warnings, const std::filesystem::path& file);

} // namespace tarn
