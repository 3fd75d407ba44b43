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

// --strict (a load warning or error is a failure) and --quiet (no
// progress line).
void AddStrictOption(CommandParser& parser, bool& strict);
void AddLoadOptions(CommandParser& parser, bool& strict, bool& quiet);

// The warning and error lines the console sees from its making on: made
// before a project is loaded or built, asked after.
class LoadLines {
public:
    explicit LoadLines(const CommandConsole& console);
    int Warnings() const;
    int Errors() const;

private:
    const CommandConsole& console_;
    int warnings_;
    int errors_;
};

// Loads a project for a command that plays, renders or prints it. Warning
// or error lines of the load make it fail when strict (one error line says
// so); otherwise the command goes on and ReportLoadWarnings tells the
// count of warnings at its end. Null after an error line.
std::unique_ptr<Project> LoadForCommand(Studio& studio, CommandConsole& console,
                                        const std::filesystem::path& file, bool strict,
                                        int& warnings);
// True, after an error line, when strict and the load gave warnings or
// errors.
bool StrictRefuses(bool strict, const LoadLines& lines, const std::filesystem::path& file);
void ReportLoadWarnings(int warnings, const std::filesystem::path& file);

} // namespace tarn
