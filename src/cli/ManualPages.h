#pragma once

#include "cli/CommandLine.h"

#include <iosfwd>

namespace tarn {

// The manual pages and the shell completion of the programs, written from
// the command line's own description (DescribeCommandLine), so that every
// command and option in them is one that --help shows. The words around
// them (exit status, files, environment) are kept here.

// tarn(1): every command with its options, the exit status, the
// application directory and the environment, in roff.
void WriteTarnManual(std::ostream& out, const CommandReference& commandLine);
// tarn-studio(1): the program with the window, its settings and its files.
void WriteStudioManual(std::ostream& out, const CommandReference& commandLine);
// A bash completion script for tarn and tarn-studio: commands, options and
// the values of options that name them; files elsewhere.
void WriteBashCompletion(std::ostream& out, const CommandReference& commandLine);

} // namespace tarn
